#include "window/picture_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QList>
#include <QMimeData>
#include <QSize>
#include <QUrl>

#include "window/window_texts.h"

namespace scrivlet {
namespace {

bool TooLarge(QSize size) {
  return size.width() > kMaxPictureSide || size.height() > kMaxPictureSide ||
         qint64{size.width()} * size.height() > kMaxPicturePixels;
}

PictureLoad Problem(const char* text) {
  return {QImage(), QString::fromUtf8(text)};
}

}  // namespace

QString FirstDroppedFile(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.isEmpty() || !urls.front().isLocalFile()) {
    return {};
  }
  return urls.front().toLocalFile();
}

PictureLoad LoadPictureFile(const QString& path) {
  const QFileInfo file(path);
  if (!file.exists()) {
    return Problem(texts::kDropNotFound);
  }
  if (file.isDir()) {
    return Problem(texts::kDropFolder);
  }
  QImageReader reader(path);
  reader.setDecideFormatFromContent(true);
  if (!reader.canRead()) {
    return Problem(reader.error() == QImageReader::FileNotFoundError ||
                           reader.error() == QImageReader::DeviceError
                       ? texts::kDropUnreadable
                       : texts::kDropNotPicture);
  }
  // The header's size, where the format has one, before any pixel memory.
  if (const QSize announced = reader.size();
      announced.isValid() && TooLarge(announced)) {
    return Problem(texts::kDropTooLarge);
  }
  QImage picture = reader.read();
  if (picture.isNull()) {
    return Problem(reader.error() == QImageReader::InvalidDataError ||
                           reader.error() == QImageReader::UnknownError
                       ? texts::kDropBroken
                       : texts::kDropUnreadable);
  }
  if (TooLarge(picture.size())) {
    return Problem(texts::kDropTooLarge);
  }
  return {std::move(picture), QString()};
}

}  // namespace scrivlet
