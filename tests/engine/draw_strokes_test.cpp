// The line style of both plotters, and dithered dots, on tiny pictures.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/plotter.h"
#include "engine/sample_grid.h"
#include "fake_desktop.h"
#include "fake_picture.h"
#include "mouse_events.h"

namespace scrivlet::testing {
namespace {

// A desktop 5 pixels wide and high maps pixel p to p * 13107 exactly.
constexpr DesktopArea kFivePixels{0, 0, 5, 5};
constexpr std::int32_t U = 13107;

DrawSettings Styled(bool strokes, DitherStyle dither = DitherStyle::Off) {
  DrawSettings settings = Settings(1, 1, 200);
  settings.Strokes = strokes;
  settings.Dither = dither;
  return settings;
}

class ProgressLog : public DrawProgress {
 public:
  void ColumnDone(int done, int total) override {
    calls.emplace_back(done, total);
  }
  std::vector<std::pair<int, int>> calls;
};

// Every box has a white column right of the picture and a white row below
// it: the grid's ends are inclusive.
TEST(DrawStrokes, PressAtTheFirstSampleMoveToTheLastRelease) {
  struct Case {
    const char* name;
    FakePicture picture;
    DrawSettings settings;
    int lines;
    Events absolute;  // from pixel (0, 0) of kFivePixels
    Events relative;
  };
  const Case cases[] = {
      {"a row is one stroke across",
       FakePicture({"###"}),
       Styled(true),
       2,
       {AbsMove(0, 0), AbsDown(0, 0), AbsMove(2 * U, 0), AbsUp(2 * U, 0)},
       {RelMove(0, 1), RelDown(), RelMove(2, 0), RelUp(), RelMove(-2, 0),
        RelMove(0, 1)}},
      {"a tie walks columns: a stroke down, then a dot",
       FakePicture({"#.", "##"}),
       Styled(true),
       3,
       {AbsMove(0, 0), AbsDown(0, 0), AbsMove(0, U), AbsUp(0, U), AbsMove(U, U),
        AbsDown(U, U), AbsUp(U, U)},
       {RelMove(0, 1), RelDown(), RelMove(0, 1), RelUp(), RelMove(1, -2),
        RelMove(0, 2), RelDown(), RelUp(), RelMove(1, -2), RelMove(1, 0)}},
      // 3 runs each way; the bar across, then the stem down from it.
      {"a T: a stroke across, then one down",
       FakePicture({"###", ".#.", ".#."}),
       Styled(true),
       4,
       {AbsMove(0, 0), AbsDown(0, 0), AbsMove(2 * U, 0), AbsUp(2 * U, 0),
        AbsMove(U, U), AbsDown(U, U), AbsMove(U, 2 * U), AbsUp(U, 2 * U)},
       {RelMove(0, 1), RelDown(), RelMove(2, 0), RelUp(), RelMove(-1, -1),
        RelMove(0, 2), RelDown(), RelMove(0, 1), RelUp(), RelMove(1, -3),
        RelMove(1, 0), RelMove(1, 0)}},
      {"dithered dots: grey 100 beside grey 100 is one dot",
       FakePicture(2, 1, 0x646464),
       Styled(false, DitherStyle::FloydSteinberg),
       3,
       {AbsMove(0, 0), AbsDown(0, 0), AbsUp(0, 0)},
       {RelMove(0, 1), RelDown(), RelUp(), RelMove(1, -1), RelMove(1, 0),
        RelMove(1, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop absolute(kFivePixels, {0, 0});
    ProgressLog progress;
    EXPECT_EQ(DrawAbsolute(absolute, c.picture, c.settings, &progress),
              PlotEnd::Completed);
    EXPECT_EQ(absolute.events(), c.absolute);
    EXPECT_EQ(progress.calls.back(), std::make_pair(c.lines, c.lines));
    FakeDesktop relative;
    EXPECT_EQ(DrawRelative(relative, c.picture, c.settings),
              PlotEnd::Completed);
    EXPECT_EQ(relative.events(), c.relative);
  }
}

TEST(DrawStrokes, AStrokeLeavingTheDesktopIsCutNotPinnedToTheEdge) {
  struct Case {
    const char* name;
    ScreenPoint cursor;
    Events expected;
  };
  // Four samples across from the cursor; pixel 5 is off the desktop.
  const Case cases[] = {
      {"last sample off",
       {2, 1},
       {AbsMove(2 * U, U), AbsDown(2 * U, U), AbsMove(4 * U, U),
        AbsUp(4 * U, U)}},
      {"one sample left: a dot",
       {4, 1},
       {AbsMove(4 * U, U), AbsDown(4 * U, U), AbsUp(4 * U, U)}},
      {"first samples left of the desktop",
       {-2, 1},
       {AbsMove(0, U), AbsDown(0, U), AbsMove(U, U), AbsUp(U, U)}},
      {"the row below the desktop", {0, 5}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop(kFivePixels, c.cursor);
    EXPECT_EQ(DrawAbsolute(desktop, FakePicture({"####"}), Styled(true)),
              PlotEnd::Completed);
    EXPECT_EQ(desktop.events(), c.expected);
  }
}

TEST(DrawStrokes, F8DuringAStrokeStopsBeforeTheNextWithTheButtonUp) {
  // One column, two dots: F8 pressed while the first is held down.
  const FakePicture picture({"#", ".", "#"});
  for (const auto draw : {DrawAbsolute, DrawRelative}) {
    FakeDesktop desktop;
    desktop.AfterEvent(1,
                       [&desktop] { desktop.AnswerNextQuery(VK_F8, 0x8001); });
    EXPECT_EQ(draw(desktop, picture, Styled(true), nullptr), PlotEnd::Aborted);
    ASSERT_EQ(desktop.events().size(), 3U);
    EXPECT_NE(desktop.events().back().flags & MOUSEEVENTF_LEFTUP, 0U);
    EXPECT_FALSE(desktop.left_button_down());
  }
}

TEST(DrawStrokes, AGridTooLargeToHoldIsRefusedBeforeAnyEvent) {
  const FakePicture picture({"#"}, 5000, 5000);  // 5001 x 5001 samples
  for (const auto draw : {DrawAbsolute, DrawRelative}) {
    FakeDesktop desktop;
    EXPECT_THROW(draw(desktop, picture, Styled(true), nullptr), SettingsError);
    EXPECT_TRUE(desktop.events().empty());
  }
}

}  // namespace
}  // namespace scrivlet::testing
