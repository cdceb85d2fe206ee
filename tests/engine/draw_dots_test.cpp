// The dot style of both plotters on tiny pictures.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/checked_math.h"
#include "engine/drawing_watch.h"
#include "engine/plotter.h"
#include "fake_desktop.h"
#include "fake_picture.h"
#include "mouse_events.h"

namespace scrivlet::testing {
namespace {

// A desktop twice 65535 pixels wide and high maps pixel p to p / 2, so
// every odd pixel lands on a half and shows the rounding.
constexpr DesktopArea kHalvingDesktop{0, 0, 131070, 131070};

TEST(DrawAbsolute, SendsMoveDownUpPerDarkSampleRoundingHalvesToEven) {
  struct Case {
    const char* name;
    bool drag;
    Events expected;
  };
  // Dots at picture (0,0) and (1,1), magnification 2, pointer at (1,3):
  // screen (1,3) and (3,5) become 0.5->0, 1.5->2 and 1.5->2, 2.5->2.
  const Case cases[] = {
      {"click",
       false,
       {AbsMove(0, 2), AbsDown(0, 2), AbsUp(0, 2), AbsMove(2, 2), AbsDown(2, 2),
        AbsUp(2, 2)}},
      {"drag one unit down",
       true,
       {AbsMove(0, 2), AbsDown(0, 2), AbsMove(0, 3), AbsUp(0, 3), AbsMove(2, 2),
        AbsDown(2, 2), AbsMove(2, 3), AbsUp(2, 3)}},
  };
  // The origin counts from the desktop area's corner, also on a second
  // monitor left of and above the primary one.
  const std::pair<DesktopArea, ScreenPoint> desktops[] = {
      {kHalvingDesktop, {1, 3}}, {{-100, -50, 131070, 131070}, {-99, -47}}};
  for (const Case& c : cases) {
    for (const auto& [area, cursor] : desktops) {
      SCOPED_TRACE(::testing::Message() << c.name << " from " << area.left);
      FakeDesktop desktop(area, cursor);
      const FakePicture picture({"#.", ".#"});
      EXPECT_EQ(DrawAbsolute(desktop, picture, Settings(1, 2, 200, c.drag)),
                PlotEnd::Completed);
      EXPECT_EQ(desktop.events(), c.expected);
    }
  }
}

TEST(DrawAbsolute, GridEndsAreInclusiveAndOutsideReadsWhite) {
  struct Case {
    const char* name;
    std::int16_t coarseness;
    std::int16_t threshold;
    std::size_t dots;
  };
  // A white 10 x 4 box: columns 0,2,..,10 and rows 0,2,4 with step 2.
  const Case cases[] = {
      {"white is dark at 255, box edge included", 2, 255, 18},
      {"step 3 reaches 9 and 3", 3, 255, 8},
      {"negative step with positive end draws nothing", -2, 255, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    const FakePicture picture(10, 4, kWhite);
    DrawAbsolute(desktop, picture, Settings(c.coarseness, 1, c.threshold));
    EXPECT_EQ(desktop.events().size(), 3 * c.dots);
  }
}

TEST(DrawAbsolute, SendsNoDotOffTheDesktop) {
  struct Case {
    const char* name;
    ScreenPoint cursor;
    std::int16_t magnification;
    std::size_t dots;
  };
  // A dark 3 x 3 picture on a 1920 x 1080 desktop.
  const Case cases[] = {
      {"last column and row past the right and bottom", {1910, 1070}, 5, 4},
      {"exactly on the last pixel", {1909, 1069}, 5, 9},
      {"negative magnification past the left and top", {5, 5}, -5, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop({0, 0, 1920, 1080}, c.cursor);
    const FakePicture picture({"###", "###", "###"});
    EXPECT_EQ(DrawAbsolute(desktop, picture, Settings(1, c.magnification, 200)),
              PlotEnd::Completed);
    EXPECT_EQ(desktop.events().size(), 3 * c.dots);
  }
}

TEST(DrawAbsolute, OverflowEndsTheDrawingWhereItOccurs) {
  FakeDesktop desktop({0, 0, 65535, 65535}, {0, 0});
  const FakePicture picture({"###"});
  // 2 * 20000 leaves 16 bits in the third column.
  EXPECT_THROW(DrawAbsolute(desktop, picture, Settings(1, 20000, 200)),
               OverflowError);
  EXPECT_EQ(desktop.events().size(), 3U * 2U);
}

TEST(DrawAbsolute, AnEmptyDesktopIsAnErrorNotASilentNothing) {
  FakeDesktop desktop({0, 0, 0, 1080});
  const FakePicture picture({"#"});
  EXPECT_THROW(DrawAbsolute(desktop, picture, Settings(1, 1, 200)),
               FloatingPointError);
  EXPECT_TRUE(desktop.events().empty());
}

TEST(DrawAbsolute, RefusesAZeroStepInsteadOfLoopingForever) {
  FakeDesktop desktop;
  const FakePicture picture({"#"});
  EXPECT_THROW(DrawAbsolute(desktop, picture, Settings(0, 1, 200)), DrawError);
  EXPECT_TRUE(desktop.events().empty());
}

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
    bool strokes = false;
  };
  // Magnification 2 on a 1920 x 1080 desktop.
  const Case cases[] = {
      {"column runs off the bottom", {100, 1075}, {"#", "#", "#"}, true, 7},
      {"column ends on the last row", {100, 1073}, {"#", "#", "#"}, false, 11},
      {"next column lies off the right", {1917, 100}, {"##."}, true, 8},
      {"last column ends on the right edge", {1917, 100}, {"#"}, false, 5},
      // Sample columns at 1917, 1919, 1921.
      {"lines: next one off the right", {1917, 100}, {"#.#"}, true, 5, true},
      {"lines: last one on the right", {1917, 100}, {"#"}, false, 5, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop({0, 0, 1920, 1080}, c.cursor);
    const FakePicture picture(c.rows);
    DrawSettings settings = Settings(1, 2);
    settings.Strokes = c.strokes;
    if (c.stops) {
      EXPECT_THROW(DrawRelative(desktop, picture, settings), EdgeReachedError);
    } else {
      EXPECT_EQ(DrawRelative(desktop, picture, settings), PlotEnd::Completed);
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
