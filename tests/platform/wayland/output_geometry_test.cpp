// A monitor's logical size, the layout around outputs, turning a copy of an
// output's pixels upright, and reading it: each pixel format's channel
// order, and pixels that were never captured; each worked by hand.

#include "platform/output_geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/shm_frame.h"
#include "platform/wayland/output_layout.h"

namespace scrivlet {
namespace {

TEST(OutputGeometry, LogicalSizeTurnsThenDividesByTheScale) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
    double scale;
    std::uint32_t transform;
    LogicalSize logical;
  };
  const std::array cases{
      // Scale 2 and 1.5 and 90 degrees are checked on sway
      // (desktop_wayland_test).
      Case{1280, 800, 2, 7, {400, 640}},     // flipped, 270 degrees
      Case{1920, 1080, 1, 2, {1920, 1080}},  // 180 degrees
      Case{2560, 1440, 0, 0, {2560, 1440}},  // no scale told: 1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToLogicalSize(c.width, c.height, c.scale, c.transform), c.logical)
        << c.width << "x" << c.height << " scale " << c.scale << " transform "
        << c.transform;
  }
}

TEST(OutputGeometry, LayoutEnclosesEveryOutput) {
  EXPECT_EQ(Enclosing({{0, 0, 640, 480}, {640, 0, 320, 240}}),
            (DesktopArea{0, 0, 960, 480}));
  EXPECT_EQ(Enclosing({{0, 0, 640, 480}, {-320, 600, 320, 240}}),
            (DesktopArea{-320, 0, 960, 840}));
  EXPECT_EQ(Enclosing({}), DesktopArea{});
}

// A 3x2 frame, stored either way up, turned upright for each transform:
// where its top-right pixel (2, 0) shows, worked by hand. Cutting a part
// out at the output's scale is checked on sway (desktop_wayland_test).
TEST(OutputGeometry, FramesAreTurnedUprightAsWlrootsTurnsOutputs) {
  // Normal, 90 (the image is 2 wide, 3 high), 180, 270, then flipped and
  // each of those.
  const std::array<ScreenPoint, 8> moved{
      {{2, 0}, {1, 2}, {0, 1}, {0, 0}, {0, 0}, {0, 2}, {2, 1}, {1, 0}}};
  for (const bool inverted : {false, true}) {
    // XRGB: the first byte of each pixel is its blue; pixel (x, y) as the
    // output stores it holds 10y + x there, the memory's last row first
    // when the copy is upside down.
    std::vector<std::uint8_t> stored(std::size_t{24}, 0);
    for (std::uint8_t row = 0; row < 2; ++row) {
      for (std::uint8_t col = 0; col < 3; ++col) {
        const std::size_t in_memory = inverted ? 1U - row : row;
        stored[(in_memory * 3 + col) * 4] =
            static_cast<std::uint8_t>(10 * row + col);
      }
    }
    const ShmFrame frame{1, 3, 2, 12, inverted, stored.data(), stored.size()};
    for (std::uint32_t transform = 0; transform < 8; ++transform) {
      std::vector<std::uint8_t> pixels;
      const ShmFrame upright = UprightFrame(frame, transform, pixels);
      const bool swaps = SwapsSides(transform);
      const ScreenRect all{0, 0, swaps ? 2 : 3, swaps ? 3 : 2};
      ASSERT_EQ(upright.width, all.width) << transform;
      EXPECT_EQ(ToScreenImage(upright, all, all).At(moved[transform]),
                COLORREF{2} << 16U)
          << "transform " << transform << (inverted ? ", upside down" : "");
    }
  }
}

// A 2x2 frame whose little-endian words are given row by row.
struct Words {
  std::array<std::uint32_t, 4> words;
  ShmFrame Frame(std::uint32_t format) const {
    return {format,      2,
            2,           8,
            false,       reinterpret_cast<const std::uint8_t*>(words.data()),
            sizeof words};
  }
};

TEST(ShmFrame, ChannelOrder) {
  const Words top_left_red{{0x00FF0000, 0, 0x000000FF, 0}};
  struct Case {
    const char* name;
    std::uint32_t format;
    COLORREF top_left;
    COLORREF bottom_left;
  };
  const std::array cases{
      Case{"XRGB", 1, 0x0000FF, 0xFF0000},
      Case{"ARGB", 0, 0x0000FF, 0xFF0000},
      Case{"XBGR", 0x34324258, 0xFF0000, 0x0000FF},
      Case{"ABGR keeps no alpha", 0x34324241, 0xFF0000, 0x0000FF},
  };
  for (const Case& c : cases) {
    const ScreenImage image = ToScreenImage(top_left_red.Frame(c.format),
                                            {10, 20, 2, 2}, {10, 20, 2, 2});
    EXPECT_EQ(image.At({10, 20}), c.top_left) << c.name;
    EXPECT_EQ(image.At({10, 21}), c.bottom_left) << c.name;
  }
}

TEST(ShmFrame, UncapturedUnreadableOrShortFramesGiveNoColour) {
  const Words words{{0x00112233, 0x00445566, 0x00778899, 0x00AABBCC}};
  struct Case {
    const char* name;
    ShmFrame frame;
    ScreenRect captured;
    ScreenPoint probe;
    bool readable;
  };
  ShmFrame short_frame = words.Frame(1);
  short_frame.size = 8;  // claims two rows, holds one
  // clang-format off
  const std::array cases{
      Case{"inside", words.Frame(1), {0, 0, 2, 2}, {1, 1}, true},
      Case{"left of the capture", words.Frame(1), {1, 0, 1, 2}, {0, 0}, false},
      Case{"unknown format", words.Frame(0x3231564E), {0, 0, 2, 2}, {0, 0}, false},
      Case{"past a short frame's end", short_frame, {0, 0, 2, 2}, {0, 1}, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    const ScreenImage image = ToScreenImage(c.frame, {0, 0, 2, 2}, c.captured);
    EXPECT_EQ(image.At(c.probe).has_value(), c.readable) << c.name;
  }
}

}  // namespace
}  // namespace scrivlet
