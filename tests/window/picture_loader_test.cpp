// Loading damaged, mislabelled and oversized picture files: each either
// gives the whole picture or a clear reason, never a crash, a hang or a
// picture with made-up parts.

#include "window/picture_loader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "gif_writer.h"
#include "window/window_texts.h"

namespace scrivlet::testing {
namespace {

constexpr int kWidth = 120;
constexpr int kHeight = 60;

// Stripes, so that a cut-off file cannot pass for the whole picture.
QImage Stripes() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      image.setPixel(
          x, y, (x / 5 + y / 3) % 2 != 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
  }
  return image;
}

QByteArray Encoded(const char* format) {
  const QImage image = Stripes();
  if (QByteArray(format) == "GIF") {
    // Qt reads GIF but does not write it.
    art::IndexedImage indexed;
    indexed.width = kWidth;
    indexed.height = kHeight;
    indexed.palette = {{0, 0, 0}, {255, 255, 255}};
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        indexed.pixels.push_back(qRed(image.pixel(x, y)) != 0 ? 1 : 0);
      }
    }
    const std::vector<std::uint8_t> bytes =
        art::EncodeGif89a(indexed, std::nullopt);
    return {reinterpret_cast<const char*>(bytes.data()),
            static_cast<qsizetype>(bytes.size())};
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return bytes;
}

QByteArray Little16(int value) {
  return {QByteArray(1, static_cast<char>(value & 0xFF)) +
          QByteArray(1, static_cast<char>((value >> 8) & 0xFF))};
}

// A GIF whose screen and image descriptors claim 65535 x 65535 pixels.
QByteArray HugeGif() {
  return QByteArray("GIF89a") + Little16(65535) + Little16(65535) +
         QByteArray("\x00\x00\x00,", 4) + Little16(0) + Little16(0) +
         Little16(65535) + Little16(65535) +
         QByteArray("\x00\x02\x02\x44\x01\x00;", 7);
}

// A real JPEG whose frame header is changed to claim 65500 x 65500.
QByteArray HugeJpeg() {
  QByteArray bytes = Encoded("JPEG");
  const qsizetype frame = bytes.indexOf("\xFF\xC0");
  EXPECT_GT(frame, 0);
  bytes.replace(frame + 5, 4, QByteArray("\xFF\xDC\xFF\xDC", 4));
  return bytes;
}

struct LoadCase {
  std::string what;
  QString file_name;
  QByteArray bytes;
  const char* problem;  // nullptr: the whole picture loads
};

void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.what; }

std::vector<LoadCase> Cases() {
  std::vector<LoadCase> cases;
  for (const char* format : {"PNG", "BMP", "JPEG", "GIF"}) {
    const QByteArray whole = Encoded(format);
    const std::string name(format);
    cases.push_back({name + " whole", "a.pic", whole, nullptr});
    cases.push_back({name + " cut in half", "a.pic",
                     whole.left(whole.size() / 2), texts::kDropBroken});
    cases.push_back({name + " cut after its header", "a.pic", whole.left(30),
                     texts::kDropBroken});
  }
  const char* kTooLarge = texts::kDropTooLarge;
  cases.insert(
      cases.end(),
      {
          {"zero bytes named .gif", "empty.gif", QByteArray(),
           texts::kDropNotPicture},
          {"zero bytes named .bmp", "empty.bmp", QByteArray(),
           texts::kDropNotPicture},
          {"GIF named .png", "a.png", Encoded("GIF"), nullptr},
          {"PNG named .jpg", "a.jpg", Encoded("PNG"), nullptr},
          {"text named .gif", "a.gif", "GIF is a format\n",
           texts::kDropNotPicture},
          {"PNG signature over garbage", "a.png",
           QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(300, '\x5A'),
           texts::kDropBroken},
          {"GIF claiming 65535 x 65535", "huge.gif", HugeGif(), kTooLarge},
          {"JPEG claiming 65500 x 65500", "huge.jpg", HugeJpeg(), kTooLarge},
          {"XPM claiming 30000 x 30000", "huge.xpm",
           "/* XPM */\nstatic char *a[] = {\n\"30000 30000 1 1\",\n"
           "\"  c #000000\",\n\"  \"};\n",
           kTooLarge},
      });
  return cases;
}

class PictureLoaderTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(PictureLoaderTest, LoadsWholeOrSaysWhy) {
  const LoadCase& test = GetParam();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(test.file_name);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(test.bytes);
  file.close();

  const PictureLoad load = LoadPictureFile(path);
  if (test.problem == nullptr) {
    EXPECT_TRUE(load.problem.isEmpty()) << load.problem.toStdString();
    // JPEG is lossy: compare which pixels are dark.
    ASSERT_EQ(load.picture.size(), QSize(kWidth, kHeight));
    const QImage stripes = Stripes();
    int differ = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        differ += (qGray(load.picture.pixel(x, y)) < 128) !=
                          (qGray(stripes.pixel(x, y)) < 128)
                      ? 1
                      : 0;
      }
    }
    EXPECT_EQ(differ, 0);
  } else {
    EXPECT_TRUE(load.picture.isNull());
    EXPECT_EQ(load.problem.toStdString(), test.problem);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, PictureLoaderTest, ::testing::ValuesIn(Cases()),
                         [](const auto& instance) {
                           std::string name;
                           for (const char c : instance.param.what) {
                             name += std::isalnum(static_cast<unsigned char>(c))
                                         ? c
                                         : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace scrivlet::testing
