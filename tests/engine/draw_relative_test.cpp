#include <gtest/gtest.h>

#include <vector>

#include "engine/checked_math.h"
#include "engine/drawing_watch.h"
#include "engine/plotter.h"
#include "fake_desktop.h"
#include "fake_picture.h"
#include "mouse_events.h"

namespace scrivlet::testing {
namespace {

// A box 1 wide and 3 high: column x = 0 has samples y = 0..3, the last one
// outside the box and white; column x = 1 lies wholly outside.
TEST(DrawRelative, WalksAColumnOwingMovesOverLightSamples) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    bool drag;
    Events expected;
  };
  const Case cases[] = {
      {"no dark sample: one move right",
       {".", ".", "."},
       false,
       {RelMove(2, 0), RelMove(2, 0)}},
      {"only the first sample dark",
       {"#", ".", "."},
       false,
       {RelMove(0, 2), RelDown(), RelUp(), RelMove(2, -2), RelMove(2, 0)}},
      {"owed moves are paid in one before the next dot",
       {"#", ".", "#"},
       false,
       {RelMove(0, 2), RelDown(), RelUp(), RelMove(0, 4), RelDown(), RelUp(),
        RelMove(2, -6), RelMove(2, 0)}},
      {"drag: down, one down, up, one up, up again",
       {"#", ".", "."},
       true,
       {RelMove(0, 2), RelDown(), RelMove(0, 1), RelUp(), RelMove(0, -1),
        RelUp(), RelMove(2, -2), RelMove(2, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    const FakePicture picture(c.rows, 1, 3);
    EXPECT_EQ(DrawRelative(desktop, picture, Settings(1, 2, 200, c.drag)),
              PlotEnd::Completed);
    EXPECT_EQ(desktop.events(), c.expected);
  }
}

TEST(DrawRelative, UsesAFixedLimitOf200WhateverTheThreshold) {
  for (const std::int16_t threshold :
       {std::int16_t{0}, std::int16_t{200}, std::int16_t{255}}) {
    SCOPED_TRACE(threshold);
    FakeDesktop desktop;
    FakePicture picture(1, 2, kWhite);
    picture.SetPixel(0, 0, 0xC8C8C8);  // 600: drawn
    picture.SetPixel(0, 1, 0xC9C8C8);  // 601: not drawn
    DrawRelative(desktop, picture, Settings(1, 1, threshold));
    // Columns x = 0 and the outside x = 1; rows y = 0, 1 and the outside 2.
    EXPECT_EQ(desktop.events(), (Events{RelMove(0, 1), RelDown(), RelUp(),
                                        RelMove(1, -1), RelMove(1, 0)}));
  }
}

TEST(DrawRelative, NegativeStepSendsNothing) {
  FakeDesktop desktop;
  const FakePicture picture({"##", "##"});
  EXPECT_EQ(DrawRelative(desktop, picture, Settings(-1, 2)),
            PlotEnd::Completed);
  EXPECT_TRUE(desktop.events().empty());
}

TEST(DrawRelative, StopsWhenAMoveIsClippedAtTheScreensEdge) {
  struct Case {
    const char* name;
    ScreenPoint cursor;
    std::vector<std::string> rows;
    bool stops;
    std::size_t events;
  };
  // Magnification 2 on a 1920 x 1080 desktop.
  const Case cases[] = {
      {"column runs off the bottom", {100, 1075}, {"#", "#", "#"}, true, 7},
      {"column ends on the last row", {100, 1073}, {"#", "#", "#"}, false, 11},
      {"next column lies off the right", {1917, 100}, {"##."}, true, 8},
      {"last column ends on the right edge", {1917, 100}, {"#"}, false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop({0, 0, 1920, 1080}, c.cursor);
    const FakePicture picture(c.rows);
    if (c.stops) {
      EXPECT_THROW(DrawRelative(desktop, picture, Settings(1, 2)),
                   EdgeReachedError);
    } else {
      EXPECT_EQ(DrawRelative(desktop, picture, Settings(1, 2)),
                PlotEnd::Completed);
    }
    EXPECT_EQ(desktop.events().size(), c.events);
  }
}

TEST(DrawRelative, ATallColumnOverflowsTheColumnTotal) {
  FakeDesktop desktop;
  // 16384 samples of 2 units each make 32768: one past 16 bits.
  const FakePicture picture(0, 16383, kWhite);
  EXPECT_THROW(DrawRelative(desktop, picture, Settings(1, 2)), OverflowError);
  EXPECT_TRUE(desktop.events().empty());
}

}  // namespace
}  // namespace scrivlet::testing
