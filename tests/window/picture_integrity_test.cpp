#include "window/picture_integrity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

// A BMP header: 54-byte headers, then rows of `width` 24-bit pixels.
Bytes BmpHeader(std::int32_t width, std::int32_t height,
                std::uint32_t compression = 0) {
  Bytes bytes(54, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 10, 54);
  Put32(bytes, 14, 40);
  Put32(bytes, 18, static_cast<std::uint32_t>(width));
  Put32(bytes, 22, static_cast<std::uint32_t>(height));
  bytes[28] = 24;
  Put32(bytes, 30, compression);
  return bytes;
}

TEST(PictureIntegrityTest, BmpRowsMustFitTheFile) {
  // 10 pixels of 3 bytes pad to 32 bytes a row.
  EXPECT_TRUE(BmpHoldsAllRows(BmpHeader(10, 4), 54 + 4 * 32));
  EXPECT_FALSE(BmpHoldsAllRows(BmpHeader(10, 4), 54 + 4 * 32 - 1));
  EXPECT_FALSE(BmpHoldsAllRows(BmpHeader(10, -4), 54 + 3 * 32));
  EXPECT_FALSE(
      BmpHoldsAllRows(BmpHeader(-2147483647 - 1, -2147483647 - 1), 1'000'000));
  EXPECT_TRUE(BmpHoldsAllRows(BmpHeader(10, 4, 1), 60));  // RLE: decoder's
  EXPECT_TRUE(BmpHoldsAllRows(Bytes{'B', 'M'}, 2));
}

TEST(PictureIntegrityTest, JpegNeedsAnEndAfterItsLastScan) {
  const Bytes whole{0xFF, 0xD8, 0xFF, 0xDA, 0x12, 0xFF, 0x00, 0xFF, 0xD9};
  EXPECT_TRUE(JpegHasEndOfImage(whole));
  EXPECT_FALSE(JpegHasEndOfImage(Bytes(whole.begin(), whole.end() - 2)));
  // A thumbnail's own scan and end come before the main scan.
  const Bytes thumbnail_then_cut{0xFF, 0xD8, 0xFF, 0xDA, 0x01, 0xFF,
                                 0xD9, 0xFF, 0xDA, 0x12, 0x34};
  EXPECT_FALSE(JpegHasEndOfImage(thumbnail_then_cut));
}

TEST(PictureIntegrityTest, GifMayNotEndInsideABlock) {
  // Header and screen (no colour table), a 1 x 1 image in one sub-block.
  Bytes gif{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
  const Bytes image{0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0};
  gif.insert(gif.end(), image.begin(), image.end());
  EXPECT_TRUE(GifBlocksComplete(gif));  // no trailer, but whole
  for (std::size_t cut = 14; cut < gif.size(); ++cut) {
    EXPECT_FALSE(GifBlocksComplete(Bytes(gif.begin(), gif.begin() + cut)))
        << "cut after " << cut << " bytes";
  }
  gif.push_back(0x3B);
  EXPECT_TRUE(GifBlocksComplete(gif));
}

}  // namespace
}  // namespace scrivlet
