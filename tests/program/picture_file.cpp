#include "picture_file.h"

#include <QImage>
#include <QString>
#include <QUrl>
#include <stdexcept>

namespace scrivlet::testing {

void WriteGreyPng(const std::string& path, std::int32_t width,
                  std::int32_t height, const Shade& shade) {
  QImage image(width, height, QImage::Format_RGB32);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const int grey = shade(x, y);
      image.setPixel(x, y, qRgb(grey, grey, grey));
    }
  }
  if (!image.save(QString::fromStdString(path), "PNG")) {
    throw std::runtime_error("Cannot write the picture " + path);
  }
}

std::string FileUri(const std::string& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path))
      .toEncoded()
      .toStdString();
}

}  // namespace scrivlet::testing
