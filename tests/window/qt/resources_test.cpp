// The built-in sample picture and the icon: still what the generator makes,
// and in the promised form.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cstdint>
#include <vector>

#include "artwork.h"
#include "gif_writer.h"
#include "ico_writer.h"

namespace scrivlet::art {
namespace {

std::vector<std::uint8_t> ReadCommitted(const char* name) {
  QFile file(QStringLiteral(SCRIVLET_RESOURCES_DIR "/") + QLatin1String(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
  const QByteArray bytes = file.readAll();
  return {bytes.begin(), bytes.end()};
}

// Each committed file is what the generator writes now, and decoded it is
// its artwork pixel for pixel, the transparent index see-through: a fault in
// a writer shows in the decoding, where the byte comparison would take it
// for the truth.
TEST(ResourcesTest, CommittedFilesComeFromTheGeneratorAndShowTheirArtwork) {
  struct Case {
    const char* name;
    IndexedImage art;
    std::uint8_t transparent;
    std::vector<std::uint8_t> written;
  };
  for (const Case& c : {Case{"sample.gif", SampleArtwork(), kSampleWhite,
                             EncodeGif89a(SampleArtwork(), kSampleWhite)},
                        Case{"scrivlet.ico", IconArtwork(), kIconTransparent,
                             EncodeIco8(IconArtwork(), kIconTransparent)}}) {
    const std::vector<std::uint8_t> bytes = ReadCommitted(c.name);
    EXPECT_EQ(bytes, c.written) << c.name;
    const QImage image =
        QImage::fromData(bytes.data(), static_cast<int>(bytes.size()))
            .convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(c.art.width, c.art.height)) << c.name;
    int wrong = 0;
    for (int y = 0; y < c.art.height; ++y) {
      for (int x = 0; x < c.art.width; ++x) {
        const Rgb rgb = c.art.palette.at(c.art.at(x, y));
        const QRgb got = image.pixel(x, y);
        wrong += (c.art.at(x, y) == c.transparent
                      ? qAlpha(got) == 0
                      : got == qRgb(rgb.red, rgb.green, rgb.blue))
                     ? 0
                     : 1;
      }
    }
    EXPECT_EQ(wrong, 0) << c.name;
  }
}

}  // namespace
}  // namespace scrivlet::art
