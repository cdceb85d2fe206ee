// End to end: the real plotters, through the delivery pacer and the X11
// backend, draw into real paint programs at their default settings; the
// canvas must then show every dot and nothing else.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "dot_pattern.h"
#include "engine/plotter.h"
#include "paint_program.h"
#include "platform/delivery_pacer.h"
#include "platform/desktop.h"

namespace scrivlet::testing {
namespace {

struct PaintCase {
  std::string program;
  PlotMode mode;
  friend void PrintTo(const PaintCase& c, std::ostream* os) {
    *os << c.program
        << (c.mode == PlotMode::Absolute ? " absolute" : " relative");
  }
};

const PaintProgramSpec& ProgramNamed(const std::string& name) {
  for (const PaintProgramSpec& spec : PaintPrograms()) {
    if (spec.name == name) {
      return spec;
    }
  }
  throw std::invalid_argument("unknown paint program " + name);
}

std::string Describe(const std::vector<ScreenPoint>& points) {
  std::string text;
  for (const ScreenPoint& p : points) {
    text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ") ";
  }
  return text;
}

class PaintProgramTest : public ::testing::TestWithParam<PaintCase> {};

TEST_P(PaintProgramTest, EveryDotLandsAndNothingElse) {
  const PaintCase& test = GetParam();
  PaintProgram program(ProgramNamed(test.program));
  const ScreenRect canvas = program.canvas();

  // The presets of each mode: a dot every 2 pixels.
  const DrawSettings settings = test.mode == PlotMode::Absolute
                                    ? DrawSettings{2, 1, 200, kFalse}
                                    : DrawSettings{2, 2, 200, kFalse};
  const PatternPicture picture = MixedPicture(160, 60);
  const ScreenPoint origin{canvas.x + 12, canvas.y + 12};
  const std::vector<ScreenPoint> dots =
      ExpectedDots(picture, settings, test.mode, origin);
  const ScreenRect checked = BoundingRect(dots, 6);
  ASSERT_TRUE(canvas.Contains({checked.x, checked.y}) &&
              canvas.Contains({checked.x + checked.width - 1,
                               checked.y + checked.height - 1}))
      << "the drawing does not fit the canvas in view";

  std::unique_ptr<PlatformInput> desktop = OpenDesktop();
  XWarpPointer(program.display(), None, DefaultRootWindow(program.display()), 0,
               0, 0, 0, origin.x, origin.y);
  XSync(program.display(), False);
  const PlotEnd end = test.mode == PlotMode::Absolute
                          ? DrawAbsolute(*desktop, picture, settings)
                          : DrawRelative(*desktop, picture, settings);
  ASSERT_EQ(end, PlotEnd::Completed);
  desktop->Flush();
  const PacingStats stats = dynamic_cast<DeliveryPacer&>(*desktop).stats();

  // The last dot is not waited for by the pacer; give it time to show.
  CanvasCheck check;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(3);
  do {
    check = CheckCanvas(program.Capture(checked), dots, program.paper());
    if (check.landed == check.expected) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);

  EXPECT_EQ(check.landed, check.expected)
      << "missing, first few: " << Describe(check.missing);
  EXPECT_EQ(check.stray, 0) << "stray, first few: " << Describe(check.strays);
  std::cout << test.program << ": " << check.landed << " of " << check.expected
            << " dots landed, " << check.stray
            << " stray; pacer: " << stats.confirmed << " confirmed, "
            << stats.timed_out << " timed out, " << stats.safe_paced
            << " at the safe pace\n";
}

INSTANTIATE_TEST_SUITE_P(
    DefaultSettings, PaintProgramTest,
    ::testing::Values(PaintCase{"mtpaint", PlotMode::Absolute},
                      PaintCase{"mtpaint", PlotMode::Relative},
                      PaintCase{"xpaint", PlotMode::Absolute},
                      PaintCase{"xpaint", PlotMode::Relative}),
    [](const auto& instance) {
      return instance.param.program + (instance.param.mode == PlotMode::Absolute
                                           ? "Absolute"
                                           : "Relative");
    });

}  // namespace
}  // namespace scrivlet::testing
