// The built-in sample picture and the icon: still what the generator makes,
// in the promised form, and decoded by an independent reader exactly as
// drawn.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cstdint>
#include <random>
#include <stdexcept>
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

QImage Decode(const std::vector<std::uint8_t>& bytes) {
  return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
}

TEST(ResourcesTest, CommittedFilesComeFromTheGenerator) {
  EXPECT_EQ(ReadCommitted("sample.gif"),
            EncodeGif89a(SampleArtwork(), kSampleWhite));
  EXPECT_EQ(ReadCommitted("scrivlet.ico"),
            EncodeIco8(IconArtwork(), kIconTransparent));
}

TEST(ResourcesTest, SampleIsAGif89aOfTheBoxSize) {
  const std::vector<std::uint8_t> gif = ReadCommitted("sample.gif");
  ASSERT_GT(gif.size(), 13U + 96U);
  EXPECT_EQ(std::string(gif.begin(), gif.begin() + 6), "GIF89a");
  EXPECT_EQ(gif[6] | gif[7] << 8, 346);
  EXPECT_EQ(gif[8] | gif[9] << 8, 93);
  // A global table of 2^(4+1) = 32 entries.
  EXPECT_EQ(gif[10] & 0x87, 0x84);
  const auto entry = [&gif](int index) {
    const std::size_t at = 13 + 3 * static_cast<std::size_t>(index);
    return std::vector<int>{gif[at], gif[at + 1], gif[at + 2]};
  };
  for (int level = 0; level < 16; ++level) {
    EXPECT_EQ(entry(level), (std::vector<int>(3, level * 16))) << level;
  }
  EXPECT_EQ(entry(kSampleWhite), (std::vector<int>(3, 255)));
  // The graphic control extension marks white transparent.
  const std::size_t gce = 13 + 96;
  EXPECT_EQ(gif[gce], 0x21);
  EXPECT_EQ(gif[gce + 1], 0xF9);
  EXPECT_EQ(gif[gce + 3] & 1, 1);
  EXPECT_EQ(gif[gce + 6], kSampleWhite);
  // One image at the origin, not interlaced, no local table.
  const std::size_t descriptor = gce + 8;
  EXPECT_EQ(gif[descriptor], 0x2C);
  EXPECT_EQ(gif[descriptor + 9], 0x00);
  EXPECT_EQ(gif.back(), 0x3B);
}

TEST(ResourcesTest, SampleDecodesExactlyAsDrawn) {
  const IndexedImage art = SampleArtwork();
  const QImage decoded = Decode(ReadCommitted("sample.gif"));
  ASSERT_EQ(decoded.size(), QSize(346, 93));
  std::vector<bool> used(kSamplePaletteSize, false);
  int dark = 0;
  for (int y = 0; y < art.height; ++y) {
    for (int x = 0; x < art.width; ++x) {
      const std::uint8_t index = art.at(x, y);
      used[index] = true;
      const QRgb pixel = decoded.pixel(x, y);
      if (index == kSampleWhite) {
        ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
        continue;
      }
      ASSERT_EQ(qAlpha(pixel), 255) << x << "," << y;
      ASSERT_EQ(qRed(pixel), index * 16) << x << "," << y;
      dark += index * 16 <= 200 ? 1 : 0;
    }
  }
  // Sixteen greys and white in use; about a fifth of the pixels dark.
  EXPECT_EQ(std::count(used.begin(), used.end(), true), 17);
  const double dark_share = static_cast<double>(dark) / (346.0 * 93.0);
  EXPECT_GT(dark_share, 0.15);
  EXPECT_LT(dark_share, 0.25);
}

TEST(ResourcesTest, IconIs32By32WithTransparentCorners) {
  const QImage icon = Decode(ReadCommitted("scrivlet.ico"));
  ASSERT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(icon.pixel(31, 0)), 0);
  const IndexedImage art = IconArtwork();
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if (art.at(x, y) == kIconTransparent) {
        continue;
      }
      const Rgb colour = art.palette[art.at(x, y)];
      ASSERT_EQ(icon.pixel(x, y), qRgb(colour.red, colour.green, colour.blue))
          << x << "," << y;
    }
  }
}

// Enough distinct runs to fill the code table several times over, so the
// width changes and table resets are all exercised.
TEST(GifWriterTest, NoisyPicturesRoundTrip) {
  std::mt19937 random(7);
  for (const int colours : {2, 16, 256}) {
    IndexedImage image;
    image.width = 311;
    image.height = 97;
    for (int i = 0; i < colours; ++i) {
      const auto level = static_cast<std::uint8_t>(i * 255 / (colours - 1));
      image.palette.push_back(
          {level, static_cast<std::uint8_t>(255 - level), 7});
    }
    std::uniform_int_distribution<int> pick(0, colours - 1);
    for (int i = 0; i < image.width * image.height; ++i) {
      image.pixels.push_back(static_cast<std::uint8_t>(pick(random)));
    }
    const QImage decoded = Decode(EncodeGif89a(image, std::nullopt));
    ASSERT_EQ(decoded.size(), QSize(image.width, image.height)) << colours;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const Rgb colour = image.palette[image.at(x, y)];
        ASSERT_EQ(decoded.pixel(x, y),
                  qRgb(colour.red, colour.green, colour.blue))
            << colours << " colours at " << x << "," << y;
      }
    }
  }
}

TEST(GifWriterTest, RefusesWhatItCannotWrite) {
  IndexedImage image;
  image.width = 2;
  image.height = 1;
  image.pixels = {0, 1};
  image.palette.resize(3);
  EXPECT_THROW((void)EncodeGif89a(image, std::nullopt), std::invalid_argument);
  image.palette.resize(2);
  image.pixels = {0, 2};
  EXPECT_THROW((void)EncodeGif89a(image, std::nullopt), std::invalid_argument);
  image.pixels = {0};
  EXPECT_THROW((void)EncodeGif89a(image, std::nullopt), std::invalid_argument);
  image.palette.resize(16);
  image.pixels = {0, 1};
  EXPECT_THROW((void)EncodeIco8(image, 0), std::invalid_argument);
}

}  // namespace
}  // namespace scrivlet::art
