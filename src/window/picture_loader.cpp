#include "window/picture_loader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QList>
#include <QMimeData>
#include <QSize>
#include <QUrl>

#include "window/picture_integrity.h"
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

std::span<const std::uint8_t> Bytes(const QByteArray& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.constData()),
          static_cast<std::size_t>(data.size())};
}

// Whether the file was cut off in a way its decoder papers over (the missing
// part read as black, grey or background).
bool CutOff(const QString& path, const QByteArray& format) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return false;  // it was just read; a vanished file is not a cut one
  }
  if (format == "bmp") {
    constexpr qint64 kHeaderBytes = 64;
    return !BmpHoldsAllRows(Bytes(file.read(kHeaderBytes)),
                            static_cast<std::uint64_t>(file.size()));
  }
  if (format == "jpeg") {
    return !JpegHasEndOfImage(Bytes(file.readAll()));
  }
  if (format == "gif") {
    return !GifBlocksComplete(Bytes(file.readAll()));
  }
  return false;
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
  const QByteArray format = reader.format();
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
  if (CutOff(path, format)) {
    return Problem(texts::kDropBroken);
  }
  return {std::move(picture), QString()};
}

}  // namespace scrivlet
