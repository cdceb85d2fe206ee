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

TEST(ResourcesTest, CommittedFilesComeFromTheGenerator) {
  EXPECT_EQ(ReadCommitted("sample.gif"),
            EncodeGif89a(SampleArtwork(), kSampleWhite));
  EXPECT_EQ(ReadCommitted("scrivlet.ico"),
            EncodeIco8(IconArtwork(), kIconTransparent));
}

// How the sample decodes is the picture box's test; here, what a decoder
// hides.
TEST(ResourcesTest, SampleIsAGif89aWithAPaletteOf32AndTransparentWhite) {
  const std::vector<std::uint8_t> gif = ReadCommitted("sample.gif");
  ASSERT_GT(gif.size(), 13U + 96U + 8U);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[10] & 0x87, 0x84);  // a global table of 2^(4+1) entries
  // The graphic control extension after the table marks white transparent.
  const std::size_t gce = 13 + 96;
  EXPECT_EQ(gif[gce] << 8 | gif[gce + 1], 0x21F9);
  EXPECT_EQ(gif[gce + 3] & 1, 1);
  EXPECT_EQ(gif[gce + 6], kSampleWhite);
}

TEST(ResourcesTest, IconIs32By32WithTransparentCorners) {
  const std::vector<std::uint8_t> ico = ReadCommitted("scrivlet.ico");
  const QImage icon =
      QImage::fromData(ico.data(), static_cast<int>(ico.size()));
  ASSERT_EQ(icon.size(), QSize(32, 32));
  for (const QPoint corner :
       {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)}) {
    EXPECT_EQ(qAlpha(icon.pixel(corner)), 0) << corner.x() << "," << corner.y();
  }
  const IndexedImage art = IconArtwork();
  const Rgb middle = art.palette.at(art.at(16, 16));
  EXPECT_EQ(icon.pixel(16, 16), qRgb(middle.red, middle.green, middle.blue));
}

}  // namespace
}  // namespace scrivlet::art
