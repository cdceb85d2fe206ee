// Reading a copied frame: each pixel format's channel order, and pixels that
// were never captured. Frames stored upside down are read in
// output_geometry_test, a scaled output's frame on sway
// (desktop_wayland_test).

#include "platform/shm_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace scrivlet {
namespace {

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
