// Pictures for the program tests: a grey level per pixel, saved as a PNG
// the program (its window or its draw command) reads as a user's file.
#pragma once

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "dot_pattern.h"

namespace scrivlet::testing {

// The grey level 0 (black) to 255 (white) of each pixel.
using Shade = std::function<int(std::int32_t x, std::int32_t y)>;

inline Shade Ink(const PatternPicture& picture) {
  return [&picture](std::int32_t x, std::int32_t y) {
    return picture.Dark(x, y) ? 0 : 255;
  };
}

// Saves a grey PNG of `shade` in `dir` under a name of its own: its path.
inline std::string SavePng(const QTemporaryDir& dir, std::int32_t width,
                           std::int32_t height, const Shade& shade) {
  static int saved = 0;
  const QString path = dir.filePath(QString("picture%1.png").arg(++saved));
  QImage image(width, height, QImage::Format_RGB32);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const int grey = shade(x, y);
      image.setPixel(x, y, qRgb(grey, grey, grey));
    }
  }
  if (!dir.isValid() || !image.save(path, "PNG")) {
    throw std::runtime_error("Cannot save " + path.toStdString());
  }
  return path.toStdString();
}

}  // namespace scrivlet::testing
