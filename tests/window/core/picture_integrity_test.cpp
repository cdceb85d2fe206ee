#include "window/core/picture_integrity.h"

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

TEST(PictureIntegrityTest, JpegEndsWhereItsSegmentsSay) {
  // Start of image; an APP1 segment holding a thumbnail (its own scan and
  // end); a scan with a stuffed 0xFF and a restart marker.
  const Bytes head{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x08, 0xFF, 0xD8,
                   0xFF, 0xDA, 0xFF, 0xD9, 0xFF, 0xDA, 0x00, 0x03,
                   0x01, 0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56};
  const Bytes end{0xFF, 0xD9};
  const auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
      all.insert(all.end(), part.begin(), part.end());
    }
    return all;
  };
  const struct {
    const char* name;
    Bytes file;
    bool whole;
  } cases[] = {
      {"whole", join({head, end}), true},
      {"a video after the end", join({head, end, {0xFF, 0xDA, 0x12, 0x34}}),
       true},
      {"fill bytes before the end", join({head, {0xFF, 0xFF}, end}), true},
      {"cut in the scan", head, false},
      {"cut in the thumbnail", Bytes(head.begin(), head.begin() + 9), false},
      {"cut inside the end marker", join({head, {0xFF}}), false},
      {"garbage where a marker belongs", join({{0xFF, 0xD8, 0x12}, end}),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JpegHasEndOfImage(c.file), c.whole);
  }
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
