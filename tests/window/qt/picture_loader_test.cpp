// Loading whole, cut-off, damaged, mislabelled and oversized picture files:
// each gives the whole picture or a clear reason, never a crash, a hang or
// a picture with made-up parts.

#include "window/qt/picture_loader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "picture_files.h"
#include "window/core/window_texts.h"

namespace scrivlet::testing {
namespace {

// The stripes in `format`, written by Qt from the GIF, which it cannot write.
Bytes Encoded(const char* format) {
  Bytes gif = StripesGif();
  if (QByteArray(format) == "GIF") return gif;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(QImage::fromData(gif.data(), static_cast<int>(gif.size()))
                  .save(&buffer, format))
      << format;
  return {bytes.begin(), bytes.end()};
}

std::vector<LoadCase> Cases() {
  std::vector<LoadCase> cases = LoadCases({{"PNG", Encoded("PNG")},
                                           {"BMP", Encoded("BMP")},
                                           {"JPEG", Encoded("JPEG")},
                                           {"GIF", Encoded("GIF")}});
  // A phone's motion photo: the video follows the image's end marker, and
  // holds bytes that look like markers.
  Bytes motion = Encoded("JPEG");
  const std::string video(
      "\x00\x00\x00\x18"
      "ftypmp42\xFF\xDA\x00\x08\xFF\xD8\xFF\xC0\x12\x34",
      22);
  motion.insert(motion.end(), video.begin(), video.end());
  const std::string xpm =
      "/* XPM */\nstatic char *a[] = {\n\"30000 30000 1 1\",\n"
      "\"  c #000000\",\n\"  \"};\n";
  cases.insert(cases.end(),
               {{"GIF_named_png", Encoded("GIF"), nullptr, "a.png"},
                {"PNG_named_jpg", Encoded("PNG"), nullptr, "a.jpg"},
                {"JPEG_with_a_video_after_it", motion, nullptr, "motion.jpg"},
                // Sides within the loops' range, but 900 million pixels.
                {"XPM_claiming_30000_by_30000", Bytes(xpm.begin(), xpm.end()),
                 texts::kDropTooLarge, "huge.xpm"}});
  return cases;
}

class PictureLoaderTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PictureLoaderTest, LoadsWholeOrSaysWhy) {
  const LoadCase& test = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QString::fromLatin1(test.file_name));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(test.bytes.data()),
             static_cast<qint64>(test.bytes.size()));
  file.close();

  const PictureLoad load = LoadPictureFile(path);
  if (test.problem != nullptr) {
    EXPECT_TRUE(load.picture.isNull());
    EXPECT_EQ(load.problem.toStdString(), test.problem);
    return;
  }
  EXPECT_TRUE(load.problem.isEmpty()) << load.problem.toStdString();
  ASSERT_EQ(load.picture.size(), QSize(kStripesWidth, kStripesHeight));
  // JPEG is lossy: compare which pixels are dark.
  EXPECT_EQ(StripeMismatches([&load](int x, int y) {
              return qGray(load.picture.pixel(x, y)) < 128;
            }),
            0);
}

INSTANTIATE_TEST_SUITE_P(Files, PictureLoaderTest, ::testing::ValuesIn(Cases()),
                         [](const auto& test) { return test.param.what; });

TEST(PictureLoaderSpecialFiles, AFifoIsRefusedWithoutWaiting) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString fifo = dir.filePath("f.png");
  const QByteArray name = QFile::encodeName(fifo);
  ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
  // Loaded on another thread, so that a load that blocks fails the test
  // instead of hanging it; a writer then unblocks it.
  auto load =
      std::async(std::launch::async, [&fifo] { return LoadPictureFile(fifo); });
  if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "the load blocked";
    ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));
  }
  EXPECT_EQ(load.get().problem.toStdString(), texts::kDropNotRegular);
}

// The bytes this process has read through read() and its kin so far.
long long BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return -1;
}

TEST(PictureLoaderLargeFiles, LoadWithinTheLimitsAndAreNotReadWhole) {
  struct Case {
    const char* name;
    QImage::Format format;
    int side;
    qint64 appended;  // bytes of zeros after the picture, a sparse tail
  };
  const Case cases[] = {
      {"4500 x 4500, 16 bits a channel", QImage::Format_RGBX64, 4500, 0},
      {"a small JPEG with 3 GiB after it", QImage::Format_RGB32, 64,
       qint64{3} << 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("big");
    {
      QImage image(c.side, c.side, c.format);
      image.fill(Qt::white);
      QImageWriter writer(path, c.appended > 0 ? "jpeg" : "png");
      writer.setQuality(89);  // PNG: the fastest compression
      ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    }
    if (c.appended > 0) {
      QFile file(path);
      ASSERT_TRUE(file.resize(file.size() + c.appended));
    }
    const long long before = BytesRead();
    const PictureLoad load = LoadPictureFile(path);
    EXPECT_TRUE(load.problem.isEmpty()) << load.problem.toStdString();
    EXPECT_EQ(load.picture.size(), QSize(c.side, c.side));
    EXPECT_LT(BytesRead() - before, 1LL << 30);
  }
}

}  // namespace
}  // namespace scrivlet::testing
