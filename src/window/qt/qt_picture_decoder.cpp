#include "window/qt/qt_picture_decoder.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>
#include <utility>

#include "window/qt/picture_loader.h"

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace scrivlet {
namespace {

// A name Qt can spell: QFile's names are Unicode, so a Unix file name that
// is not valid in the locale's encoding does not survive the trip. On Linux
// such a file is reached through /proc/self/fd of an O_PATH descriptor,
// which opens nothing (a FIFO does not block) and names the file itself.
class QtFileName {
 public:
  explicit QtFileName(const std::string& raw) {
    const QByteArray bytes(raw.data(), static_cast<qsizetype>(raw.size()));
    name_ = QFile::decodeName(bytes);
#ifdef __linux__
    if (QFile::encodeName(name_) != bytes) {
      // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): POSIX open
      fd_ = ::open(raw.c_str(), O_PATH | O_CLOEXEC);
      if (fd_ >= 0) {
        name_ = QStringLiteral("/proc/self/fd/%1").arg(fd_);
      }
    }
#endif
  }
  QtFileName(const QtFileName&) = delete;
  QtFileName& operator=(const QtFileName&) = delete;
  QtFileName(QtFileName&&) = delete;
  QtFileName& operator=(QtFileName&&) = delete;
  ~QtFileName() {
#ifdef __linux__
    if (fd_ >= 0) {
      ::close(fd_);
    }
#endif
  }

  [[nodiscard]] const QString& name() const { return name_; }

 private:
  QString name_;
  int fd_ = -1;
};

}  // namespace

Picture ToPicture(QImage image) {
  // In place where the depth allows, so a large picture is not held twice.
  const QImage argb = std::move(image).convertToFormat(QImage::Format_ARGB32);
  Picture picture;
  picture.width = argb.width();
  picture.height = argb.height();
  picture.argb.resize(static_cast<std::size_t>(picture.width) *
                      static_cast<std::size_t>(picture.height));
  const auto row_bytes = static_cast<std::size_t>(picture.width) * 4;
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(
        picture.argb.data() + static_cast<std::size_t>(y) *
                                  static_cast<std::size_t>(picture.width),
        argb.constScanLine(y), row_bytes);
  }
  return picture;
}

DecodedPicture QtPictureDecoder::Decode(const std::string& path) {
  const QtFileName file(path);
  PictureLoad load = LoadPictureFile(file.name());
  if (load.picture.isNull()) {
    return {{}, load.problem.toStdString()};
  }
  return {ToPicture(std::move(load.picture)), {}};
}

}  // namespace scrivlet
