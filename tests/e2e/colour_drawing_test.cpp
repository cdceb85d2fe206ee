// End to end in colour: four of the program's own swatches, found on the
// screen, and a picture of flat shapes in colours a little off them; every
// dark sample must show its nearest ink, nothing in a wrong ink, nothing
// stray. The plain desktop only; mtpaint keeps its palette beside the
// canvas, xpaint above it.

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>

#include "app/open_desktop.h"
#include "delivery/delivery_pacer.h"
#include "engine/plotter.h"
#include "ink_shapes.h"
#include "paint_program.h"
#include "poll_for.h"

namespace scrivlet::testing {
namespace {

class ColourDrawing : public ::testing::TestWithParam<std::string> {};

TEST_P(ColourDrawing, EachDarkSampleShowsItsNearestInk) {
  if (std::string(SCRIVLET_E2E_DESKTOP) != "plain") {
    GTEST_SKIP() << "measured on the plain desktop only";
  }
  PaintProgram program(GetParam());
  const ScreenRect canvas = program.canvas();
  const InkList inks = FindPrimarySwatches(program);
  const InkShapes picture(inks);
  DrawSettings settings{2, 1, 200, kFalse};
  settings.Inks = inks;
  const ScreenPoint origin{canvas.left + 12, canvas.top + 12};
  const ScreenRect area{origin.x - 6, origin.y - 6, 132, 72};
  ASSERT_TRUE(area.left + area.width <= canvas.left + canvas.width &&
              area.top + area.height <= canvas.top + canvas.height);

  std::unique_ptr<PlatformInput> desktop = OpenDesktop();
  XWarpPointer(program.display(), None, DefaultRootWindow(program.display()), 0,
               0, 0, 0, origin.x, origin.y);
  XSync(program.display(), False);
  desktop->DrawingStarted();
  const PlotEnd end = DrawAbsolute(*desktop, picture, settings);
  desktop->DrawingEnded();
  ASSERT_EQ(end, PlotEnd::Completed);
  const PacingStats stats = dynamic_cast<DeliveryPacer&>(*desktop).stats();

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
  EXPECT_EQ(check.wrong, 0) << Describe(check);
  EXPECT_EQ(check.stray, 0) << Describe(check);
  std::cout << GetParam() << " in colour: " << Describe(check)
            << "; delivery: " << stats.dots << " dots, " << stats.swatch_clicks
            << " swatch clicks, " << stats.wrong_ink << " in another ink, "
            << stats.repaired << " repaired\n";
}

INSTANTIATE_TEST_SUITE_P(Plain, ColourDrawing,
                         ::testing::Values("mtpaint", "xpaint"));

}  // namespace
}  // namespace scrivlet::testing
