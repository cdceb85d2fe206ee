#include "window/qt/picture_loader.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSize>
#include <algorithm>
#include <exception>
#include <new>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "window/core/picture_integrity.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

// Qt refuses to allocate more than 128 MB for an image unless told
// otherwise, which is less than the pixels allowed here take in the widest
// format its readers produce (16 bits a channel, 8 bytes a pixel).
constexpr qint64 kBytesPerPixelAtMost = 8;
constexpr int kReaderLimitMb = static_cast<int>(
    (kMaxPicturePixels * kBytesPerPixelAtMost + (1 << 20) - 1) >> 20);

const char* SizeProblem(QSize size) {
  return PictureSizeProblem(size.width(), size.height());
}

PictureLoad Problem(const char* text) {
  return {QImage(), QString::fromUtf8(text)};
}

// Opens a regular file only. A FIFO would block the opening thread until a
// writer came, so it is opened without blocking and checked once open (the
// name may have been swapped since it was looked at).
bool OpenRegularFile(const QString& path, QFile& file) {
#ifdef _WIN32
  file.setFileName(path);
  return file.open(QIODevice::ReadOnly);
#else
  const int descriptor = ::open(QFile::encodeName(path).constData(),
                                O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return false;
  }
  return file.open(descriptor, QIODevice::ReadOnly,
                   QFileDevice::AutoCloseHandle);
#endif
}

// Whether the file was cut off in a way its decoder papers over (the missing
// part read as black, grey or background). The file is mapped, not read:
// the checks stop at the image's end, however large the file is.
bool CutOff(QFile& file, const QByteArray& format) {
  const qint64 size = file.size();
  if (size <= 0) return false;
  uchar* mapped = file.map(0, size);
  if (mapped == nullptr) {
    return false;  // cannot be mapped: the decoder's word stands
  }
  const std::span<const std::uint8_t> bytes(mapped,
                                            static_cast<std::size_t>(size));
  bool cut = false;
  if (format == "bmp") {
    cut = !BmpHoldsAllRows(bytes.first(std::min<std::size_t>(64, bytes.size())),
                           bytes.size());
  } else if (format == "jpeg") {
    cut = !JpegHasEndOfImage(bytes);
  } else if (format == "gif") {
    cut = !GifBlocksComplete(bytes);
  }
  file.unmap(mapped);
  return cut;
}

PictureLoad Load(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) {
    return Problem(texts::kDropNotFound);
  }
  if (info.isDir()) {
    return Problem(texts::kDropFolder);
  }
  if (!info.isFile()) {
    return Problem(texts::kDropNotRegular);
  }
  QFile file;
  if (!OpenRegularFile(path, file)) {
    return Problem(texts::kDropUnreadable);
  }
  // The limit is Qt's, for every reader of the process.
  QImageReader::setAllocationLimit(kReaderLimitMb);
  QImageReader reader(&file);
  if (!reader.canRead()) {
    return Problem(reader.error() == QImageReader::DeviceError
                       ? texts::kDropUnreadable
                       : texts::kDropNotPicture);
  }
  // The header's size, where the format has one, before any pixel memory.
  const QSize announced = reader.size();
  if (announced.isValid()) {
    if (const char* problem = SizeProblem(announced)) return Problem(problem);
  }
  const QByteArray format = reader.format();
  QImage picture = reader.read();
  if (picture.isNull()) {
    return Problem(reader.error() == QImageReader::DeviceError
                       ? texts::kDropUnreadable
                       : texts::kDropBroken);
  }
  if (const char* problem = SizeProblem(picture.size())) {
    return Problem(problem);
  }
  if (CutOff(file, format)) {
    return Problem(texts::kDropBroken);
  }
  return {std::move(picture), QString()};
}

}  // namespace

PictureLoad LoadPictureFile(const QString& path) {
  // Nothing may leave a drop handler: out of memory is a message too.
  try {
    return Load(path);
  } catch (const std::bad_alloc&) {
    return Problem(texts::kDropOutOfMemory);
  } catch (const std::exception&) {
    return Problem(texts::kDropUnreadable);
  }
}

}  // namespace scrivlet
