// Both plotters drawing through the real Win32 backend into a window: every
// dark sample must arrive as a press and a release on its own pixel.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/draw_trigger.h"
#include "engine/plotter.h"
#include "fake_picture.h"
#include "platform/desktop.h"
#include "platform/win32/win32_api.h"
#include "pointer_settings.h"
#include "test_window.h"

namespace scrivlet::testing {
namespace {

const std::vector<std::string> kPicture = {
    "#..#.",  //
    ".....",  //
    "..#.#",  //
    "#....",  //
};

// Where sample (x, y) lands on the screen for a drawing started at `origin`:
// absolute mode puts the picture's pixel (x, y) at origin + (x, y) * M;
// relative mode walks the pointer one M per sample, starting one M down.
ScreenPoint DotPosition(CoordinateMode mode, ScreenPoint origin, std::int32_t x,
                        std::int32_t y, std::int32_t m) {
  if (mode == CoordinateMode::Absolute) {
    return {origin.x + x * m, origin.y + y * m};
  }
  return {origin.x + x * m, origin.y + (y + 1) * m};
}

TEST(DrawOnWin32Test, EveryDarkSampleIsClickedOnItsPixel) {
  struct Case {
    const char* name;
    CoordinateMode mode;
    std::int16_t drag;
  };
  for (const Case& draw :
       {Case{"absolute", CoordinateMode::Absolute, kFalse},
        Case{"absolute with drag", CoordinateMode::Absolute, kTrue},
        Case{"relative", CoordinateMode::Relative, kFalse}}) {
    SCOPED_TRACE(draw.name);
    const std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
    const DesktopArea screen = desktop->DesktopBounds();
    const DesktopArea area{screen.left + screen.width / 2 - 50,
                           screen.top + screen.height / 2 - 40, 100, 80};
    TestWindow target(area, RGB(255, 255, 255));

    // Relative moves follow the pointer settings; with none, a unit is a
    // pixel.
    const MouseAccelerationGuard no_acceleration(0, 0, 0);
    const ScreenPoint origin{area.left + 9, area.top + 5};
    ASSERT_TRUE(::SetCursorPos(origin.x, origin.y));
    const FakePicture picture(kPicture);
    const DrawSettings settings{.Coarseness = 1,
                                .Magnification = 6,
                                .Threshold = 200,
                                .DragInput = draw.drag};
    const PlotEnd end = draw.mode == CoordinateMode::Absolute
                            ? DrawAbsolute(*desktop, picture, settings)
                            : DrawRelative(*desktop, picture, settings);
    desktop->Flush();
    ASSERT_EQ(end, PlotEnd::Completed);

    std::vector<ButtonMessage> expected;
    for (std::int32_t x = 0; x < 5; ++x) {
      for (std::int32_t y = 0; y < 4; ++y) {
        if (kPicture[static_cast<std::size_t>(y)]
                    [static_cast<std::size_t>(x)] != '#') {
          continue;
        }
        const ScreenPoint dot =
            DotPosition(draw.mode, origin, x, y, settings.Magnification);
        expected.push_back({ButtonMessage::Kind::Down, dot});
        expected.push_back({ButtonMessage::Kind::Up, dot});
      }
    }
    EXPECT_EQ(target.WaitForButtons(expected.size()), expected);
  }
}

}  // namespace
}  // namespace scrivlet::testing
