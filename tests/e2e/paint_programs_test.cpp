// End to end: the real plotters, through pipelined delivery and the X11
// backend, draw into real targets at their default settings; the canvas
// must then show every dot (and every drag stroke) and nothing else, also
// while busy processes compete for the CPU. In colour, with four of the
// program's own swatches found on the screen, every dark sample must show
// its nearest ink. One binary per test desktop: SCRIVLET_E2E_DESKTOP names
// the one it is built for (plain: openbox with the paint programs and the
// browser page; mutter: the composited one).

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/open_desktop.h"
#include "child_process.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "ink_shapes.h"
#include "paint_program.h"
#include "platform/desktop.h"

namespace scrivlet::testing {
namespace {

struct PaintCase {
  std::string name;
  std::string program;
  PlotMode mode;
  bool drag = false;
  int busy_processes = 0;  // CPU load while drawing
  // A smaller picture where every drag stroke waits a frame or two.
  bool small = false;
  // The line style: runs of ink as strokes; dithered, a grey picture.
  bool strokes = false;
  bool dithered = false;  // Floyd-Steinberg
  friend void PrintTo(const PaintCase& c, std::ostream* os) { *os << c.name; }
};

// Draws `picture` from `origin` into the program through delivery and the
// desktop's backend, with `busy_processes` competing for the CPU meanwhile.
PlotEnd Draw(const PaintProgram& program, ScreenPoint origin,
             const PictureView& picture, const DrawSettings& settings,
             PlotMode mode, int busy_processes = 0) {
  std::unique_ptr<PlatformInput> desktop = OpenDesktop();
  XWarpPointer(program.display(), None, DefaultRootWindow(program.display()), 0,
               0, 0, 0, origin.x, origin.y);
  XSync(program.display(), False);
  // Busy until the drawing is over, as a parallel build or test run is.
  std::list<ChildProcess> load;
  for (int i = 0; i < busy_processes; ++i) {
    load.emplace_back(
        std::vector<std::string>{"/bin/sh", "-c", "while :; do :; done"});
  }
  desktop->DrawingStarted();
  const PlotEnd end = mode == PlotMode::Absolute
                          ? DrawAbsolute(*desktop, picture, settings)
                          : DrawRelative(*desktop, picture, settings);
  desktop->DrawingEnded();
  return end;
}

class PaintProgramTest : public ::testing::TestWithParam<PaintCase> {};

TEST_P(PaintProgramTest, EveryDotLandsAndNothingElse) {
  const PaintCase& test = GetParam();
  PaintProgram program(test.program);
  const ScreenRect canvas = program.canvas();

  // The presets of each mode: a dot every 2 pixels.
  const std::int16_t drag = test.drag ? kTrue : kFalse;
  DrawSettings settings = test.mode == PlotMode::Absolute
                              ? DrawSettings{2, 1, 200, drag}
                              : DrawSettings{2, 2, 200, drag};
  settings.Strokes = test.strokes;
  if (test.dithered) {
    settings.Dither = DitherStyle::FloydSteinberg;
  }
  const PatternPicture pattern =
      test.small ? MixedPicture(60, 30) : MixedPicture(160, 60);
  const GreyPicture grey(160, 60);
  const PictureView& picture =
      test.dithered ? static_cast<const PictureView&>(grey) : pattern;
  const ScreenPoint origin{canvas.left + 12, canvas.top + 12};
  std::vector<ScreenPoint> dots =
      test.strokes ? ExpectedInk(picture, settings, test.mode, origin)
                   : ExpectedDots(pattern, settings, test.mode, origin);
  // A relative drag moves one pixel down with the button held: a stroke to
  // the pixel below each dot. An absolute one moves one unit of 0..65535,
  // which stays on the dot's pixel.
  if (test.drag && test.mode == PlotMode::Relative) {
    const std::size_t count = dots.size();
    for (std::size_t i = 0; i < count; ++i) {
      dots.push_back({dots[i].x, dots[i].y + 1});
    }
  }
  const ScreenRect checked = BoundingRect(dots, 6);
  ASSERT_TRUE(Holds(canvas, checked))
      << "the drawing does not fit the canvas in view";

  ASSERT_EQ(
      Draw(program, origin, picture, settings, test.mode, test.busy_processes),
      PlotEnd::Completed);

  const CanvasCheck check =
      CheckWhenLanded([&](ScreenRect area) { return program.Capture(area); },
                      dots, program.paper(), 6);

  if (test.strokes) {
    // A line is the target's to draw: at least 99 % of it, and at most 1 %
    // of its size inked beside it.
    EXPECT_GE(100 * check.landed, 99 * check.expected)
        << "missing, first few: " << Describe(check.missing);
    EXPECT_LE(100 * check.stray, check.expected)
        << "stray, first few: " << Describe(check.strays);
  } else {
    EXPECT_EQ(check.landed, check.expected)
        << "missing, first few: " << Describe(check.missing);
    EXPECT_EQ(check.stray, 0) << "stray, first few: " << Describe(check.strays);
  }
}

std::vector<PaintCase> Cases(const std::string& desktop) {
  if (desktop == "mutter") {
    return {
        {"mtpaintAbsolute", "mtpaint", PlotMode::Absolute},
        {"mtpaintRelative", "mtpaint", PlotMode::Relative},
        {"mtpaintAbsoluteDrag", "mtpaint", PlotMode::Absolute, true},
        // mtpaint draws a stroke only with the button still down: each
        // waits for its frame.
        {"mtpaintRelativeDrag", "mtpaint", PlotMode::Relative, true, 0, true},
        // Held lines wait for what mtpaint drew in its own window, not for
        // the compositor's frames.
        {"mtpaintAbsoluteStrokes", "mtpaint", PlotMode::Absolute, false, 0,
         false, true}};
  }
  return {
      {"mtpaintAbsolute", "mtpaint", PlotMode::Absolute},
      {"mtpaintRelative", "mtpaint", PlotMode::Relative},
      {"xpaintAbsolute", "xpaint", PlotMode::Absolute},
      {"xpaintRelative", "xpaint", PlotMode::Relative},
      {"mtpaintAbsoluteDrag", "mtpaint", PlotMode::Absolute, true},
      {"xpaintRelativeDrag", "xpaint", PlotMode::Relative, true},
      // Two busy processes on top of the test's own work: the paint
      // program stalls now and then, and must get every dot regardless.
      {"mtpaintRelativeDragUnderLoad", "mtpaint", PlotMode::Relative, true, 2},
      // The browser drops many of the clicks that come close together;
      // each is sent again, relative ones after the pointer is brought back.
      {"browserAbsolute", "canvas-page", PlotMode::Absolute, false, 0, true},
      {"browserRelative", "canvas-page", PlotMode::Relative, false, 0, true},
      {"browserAbsoluteDrag", "canvas-page", PlotMode::Absolute, true, 0, true},
      {"browserRelativeDrag", "canvas-page", PlotMode::Relative, true, 0, true},
      // The line style: each run of ink one press, one move and a release.
      {"mtpaintAbsoluteStrokes", "mtpaint", PlotMode::Absolute, false, 0, false,
       true},
      {"mtpaintRelativeStrokes", "mtpaint", PlotMode::Relative, false, 0, false,
       true},
      {"mtpaintDitheredStrokes", "mtpaint", PlotMode::Absolute, false, 0, false,
       true, true},
      // No line joined to the one before (a release wait that ran out into
      // the window manager's freeze did that).
      {"browserAbsoluteStrokes", "canvas-page", PlotMode::Absolute, false, 0,
       true, true}};
}

INSTANTIATE_TEST_SUITE_P(DefaultSettings, PaintProgramTest,
                         ::testing::ValuesIn(Cases(SCRIVLET_E2E_DESKTOP)),
                         [](const auto& instance) {
                           return instance.param.name;
                         });

class ColourDrawing : public ::testing::TestWithParam<std::string> {};

// mtpaint keeps its palette beside the canvas, xpaint above it.
TEST_P(ColourDrawing, EachDarkSampleShowsItsNearestInk) {
  if (std::string(SCRIVLET_E2E_DESKTOP) != "plain") {
    GTEST_SKIP() << "measured on the plain desktop only";
  }
  PaintProgram program(GetParam());
  const InkList inks = FindPrimarySwatches(program);
  DrawSettings settings{2, 1, 200, kFalse};
  settings.Inks = inks;
  const ScreenPoint origin{program.canvas().left + 12,
                           program.canvas().top + 12};
  const ScreenRect area{origin.x - 6, origin.y - 6, 132, 72};
  ASSERT_TRUE(Holds(program.canvas(), area));
  ASSERT_EQ(
      Draw(program, origin, InkShapes(inks), settings, PlotMode::Absolute),
      PlotEnd::Completed);

  InkCheck check;
  PollFor(
      [&] {
        check =
            CheckInks(program.Capture(area), inks, origin, 2, program.paper());
        return check.right == check.expected && check.stray == 0;
      },
      std::chrono::seconds(5), std::chrono::milliseconds(50));
  EXPECT_GT(check.expected, 500);
  EXPECT_EQ(check.right, check.expected) << Describe(check);
  EXPECT_EQ(check.stray, 0) << Describe(check);
}

INSTANTIATE_TEST_SUITE_P(Plain, ColourDrawing,
                         ::testing::Values("mtpaint", "xpaint"));

}  // namespace
}  // namespace scrivlet::testing
