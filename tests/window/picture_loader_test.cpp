// Loading whole, cut-off, damaged, mislabelled and oversized picture files:
// each gives the whole picture or a clear reason, never a crash, a hang or
// a picture with made-up parts.

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

bool Dark(int x, int y) { return (x / 5 + y / 3) % 2 == 0; }

// Stripes, so that a cut-off file cannot pass for the whole picture.
QByteArray Encoded(const char* format) {
  art::IndexedImage indexed{kWidth, kHeight, {}, {{0, 0, 0}, {255, 255, 255}}};
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      indexed.pixels.push_back(Dark(x, y) ? 0 : 1);
      image.setPixel(x, y, Dark(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  }
  if (QByteArray(format) == "GIF") {  // Qt reads GIF but does not write it
    const auto bytes = art::EncodeGif89a(indexed, std::nullopt);
    return {reinterpret_cast<const char*>(bytes.data()),
            static_cast<qsizetype>(bytes.size())};
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format)) << format;
  return bytes;
}

// A GIF whose screen and image descriptors claim `width` x `height`, with
// one pixel's worth of data.
QByteArray ClaimingGif(int width, int height) {
  const auto little16 = [](int value) {
    return QByteArray(1, static_cast<char>(value & 0xFF)) +
           QByteArray(1, static_cast<char>((value >> 8) & 0xFF));
  };
  const QByteArray size = little16(width) + little16(height);
  return QByteArray("GIF89a") + size + QByteArray("\x00\x00\x00,\0\0\0\0", 8) +
         size + QByteArray("\x00\x02\x02\x44\x01\x00;", 7);
}

struct LoadCase {
  std::string what;  // a test name
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
    cases.push_back({name + "_whole", "a.pic", whole, nullptr});
    cases.push_back({name + "_cut_in_half", "a.pic",
                     whole.left(whole.size() / 2), texts::kDropBroken});
    cases.push_back({name + "_cut_after_its_header", "a.pic", whole.left(30),
                     texts::kDropBroken});
  }
  const char* kTooLarge = texts::kDropTooLarge;
  cases.insert(
      cases.end(),
      {
          {"zero_bytes", "empty.bmp", QByteArray(), texts::kDropNotPicture},
          {"GIF_named_png", "a.png", Encoded("GIF"), nullptr},
          {"PNG_named_jpg", "a.jpg", Encoded("PNG"), nullptr},
          {"text_named_gif", "a.gif", "GIF is a format\n",
           texts::kDropNotPicture},
          {"PNG_signature_over_garbage", "a.png",
           QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(300, '\x5A'),
           texts::kDropBroken},
          // Wider than the drawing loops count, though few pixels.
          {"GIF_claiming_40000_by_1", "wide.gif", ClaimingGif(40000, 1),
           kTooLarge},
          {"GIF_claiming_65535_by_65535", "huge.gif", ClaimingGif(65535, 65535),
           kTooLarge},
          // Sides within the loops' range, but 900 million pixels.
          {"XPM_claiming_30000_by_30000", "huge.xpm",
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
  if (test.problem != nullptr) {
    EXPECT_TRUE(load.picture.isNull());
    EXPECT_EQ(load.problem.toStdString(), test.problem);
    return;
  }
  EXPECT_TRUE(load.problem.isEmpty()) << load.problem.toStdString();
  ASSERT_EQ(load.picture.size(), QSize(kWidth, kHeight));
  // JPEG is lossy: compare which pixels are dark.
  int differ = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      differ += (qGray(load.picture.pixel(x, y)) < 128) != Dark(x, y) ? 1 : 0;
    }
  }
  EXPECT_EQ(differ, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, PictureLoaderTest, ::testing::ValuesIn(Cases()),
                         [](const auto& test) { return test.param.what; });

}  // namespace
}  // namespace scrivlet::testing
