// Colours read out of a screen cast frame: each byte order the stream may
// negotiate, and a region cut out of a frame with padded rows and partly
// off it.

#include "platform/gnome/cast_frame.h"

#include <gtest/gtest.h>
#include <spa/param/video/raw.h>

#include <array>
#include <cstdint>
#include <optional>

namespace scrivlet {
namespace {

TEST(CastFrame, ReadsEachByteOrderAsScreenColours) {
  const std::array<std::uint8_t, 4> bytes{0x11, 0x22, 0x33, 0x44};
  struct Case {
    std::uint32_t format;
    std::optional<COLORREF> colour;
  };
  for (const Case& c : {Case{SPA_VIDEO_FORMAT_BGRx, 0x112233},
                        Case{SPA_VIDEO_FORMAT_BGRA, 0x112233},
                        Case{SPA_VIDEO_FORMAT_RGBx, 0x332211},
                        Case{SPA_VIDEO_FORMAT_RGBA, 0x332211},
                        Case{SPA_VIDEO_FORMAT_RGB, std::nullopt}}) {
    const CastFrame frame{c.format, 1, 1, 4, bytes.data(), bytes.size()};
    EXPECT_EQ(CastFrameRegion(frame, {0, 0, 1, 1}).At({0, 0}), c.colour)
        << c.format;
  }
}

TEST(CastFrame, CutsARegionOutOfPaddedRows) {
  // 2 x 2 pixels, rows of 12 bytes; blue is the first byte in BGRx.
  const std::array<std::uint8_t, 24> bytes{
      1, 0, 0, 0, 2, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE,
      3, 0, 0, 0, 4, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  const CastFrame frame{SPA_VIDEO_FORMAT_BGRx, 2,           2, 12,
                        bytes.data(),          bytes.size()};
  const ScreenImage image = CastFrameRegion(frame, {1, 1, 2, 2});
  EXPECT_EQ(image.At({1, 1}), COLORREF{4} << 16U);
  EXPECT_EQ(image.At({2, 1}), std::nullopt);
  EXPECT_EQ(image.At({1, 2}), std::nullopt);
}

}  // namespace
}  // namespace scrivlet
