// The desktop contract's pure parts: absolute coordinates onto pixels, and
// the hot keys' state words.

#include <gtest/gtest.h>

#include <vector>

#include "engine_coordinate.h"
#include "platform/absolute_mapping.h"
#include "platform/key_latch.h"

namespace scrivlet {
namespace {

// Every pixel of every extent that real desktops have, and every extent up
// to 4096 pixels, comes back as the pixel it was aimed at.
TEST(AbsoluteMappingTest, EveryAimedPixelComesBackExactly) {
  std::vector<std::int32_t> extents = {21845, 32767, 65535};
  for (std::int32_t extent = 1; extent <= 8192; ++extent) {
    extents.push_back(extent);
  }
  for (const std::int32_t extent : extents) {
    for (std::int32_t pixel = 0; pixel < extent; ++pixel) {
      const std::int32_t back =
          AbsoluteToPixel(testing::EngineCoordinate(pixel, extent), extent);
      if (back != pixel) {
        FAIL() << "extent " << extent << ": pixel " << pixel << " came back as "
               << back;
      }
    }
  }
}

// The engine's one-unit drag stays on the dot's pixel on desktops narrower
// than a third of the coordinate span.
TEST(AbsoluteMappingTest, OneUnitDragStaysOnTheDotsPixel) {
  for (const std::int32_t extent : {480, 768, 1080, 1440, 2160, 4320, 8640}) {
    for (std::int32_t pixel = 0; pixel + 1 < extent; ++pixel) {
      ASSERT_EQ(
          AbsoluteToPixel(testing::EngineCoordinate(pixel, extent) + 1, extent),
          pixel)
          << "extent " << extent;
    }
  }
}

TEST(AbsoluteMappingTest, LandsOnTheNearestPixelOfTheDesktop) {
  struct Case {
    std::int32_t coordinate;
    std::int32_t extent;
    std::int32_t pixel;
  };
  for (const Case& c :
       {Case{0, 1920, 0}, Case{65535, 1920, 1919},
        Case{65501, 1920, 1919},  // last pixel's own value
        Case{70000, 1920, 1919},  // beyond the right edge
        Case{2147483647, 1920, 1919}, Case{-1, 1920, 0},
        Case{-2147483647 - 1, 1920, 0}, Case{12345, 1, 0}, Case{12345, 0, 0}}) {
    EXPECT_EQ(AbsoluteToPixel(c.coordinate, c.extent), c.pixel)
        << c.coordinate << " over " << c.extent;
  }
  // The screen point is offset by the desktop's origin.
  const DesktopArea area{-1280, 100, 3200, 1080};
  EXPECT_EQ(AbsoluteToScreen(testing::EngineCoordinate(1500, 3200),
                             testing::EngineCoordinate(7, 1080), area),
            (ScreenPoint{220, 107}));
}

// What one poll of the system finds (Win32): down now, and whether a key-down
// came since the previous poll. The press and release notifications (X11)
// are the desktop contract's cases; here the polls and the state at start,
// which the contract cannot set up.
struct Poll {
  bool down;
  bool key_down_came;
};
constexpr Poll kUp{false, false};
constexpr Poll kDown{true, false};
constexpr Poll kDownAgain{true, true};
constexpr Poll kTappedUp{false, true};

TEST(KeyLatchTest, ReportsTheWindowsKeyStateWord) {
  struct Case {
    const char* name;
    bool down_at_start;
    std::vector<Poll> polls;           // none: one query only
    std::vector<std::uint16_t> words;  // the query after each poll
  };
  const Case cases[] = {
      {"untouched", false, {}, {0x0000}},
      {"held at start is no press", true, {}, {0x8000}},
      {"polled press, then repeat",
       false,
       {kDownAgain, kDownAgain, kDown},
       {0x8001, 0x8000, 0x8000}},
      {"polled tap", false, {kTappedUp, kUp}, {0x0001, 0x0000}},
      {"polled held at start is no press", false, {kDown}, {0x8000}},
      {"polled press after a release",
       false,
       {kDownAgain, kUp, kDownAgain},
       {0x8001, 0x0000, 0x8001}},
  };
  for (const Case& c : cases) {
    KeyLatch latch;
    latch.SetDown(c.down_at_start);
    std::vector<std::uint16_t> words;
    if (c.polls.empty()) words.push_back(latch.Query());
    for (const Poll& poll : c.polls) {
      latch.Polled(poll.down, poll.key_down_came);
      words.push_back(latch.Query());
    }
    EXPECT_EQ(words, c.words) << c.name;
  }
}

}  // namespace
}  // namespace scrivlet
