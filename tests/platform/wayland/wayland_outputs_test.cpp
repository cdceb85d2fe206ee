// Where clicks land on headless sway: in a Qt program, which rounds the
// pointer's fraction of a pixel where the recording surface cuts it off
// (and the plotter's lines there), and on scaled, turned and second
// outputs, whose logical pixels are what programs see.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "absolute_aim.h"
#include "delivery/delivery_pacer.h"
#include "gnome_stage.h"
#include "platform/desktop_backends.h"
#include "recording_surface.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0;

void Click(PlatformInput& desktop, ScreenPoint at) {
  MoveTo(desktop, at, MOUSEEVENTF_LEFTDOWN);
  desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  desktop.Flush();
}

// The 3x3 pixels around `at` once its own shows `colour`, or after 5 s.
ScreenImage AroundOnce(PlatformInput& desktop, ScreenPoint at,
                       COLORREF colour) {
  const ScreenRect around{at.x - 1, at.y - 1, 3, 3};
  ScreenImage image = desktop.CaptureScreenRegion(around);
  for (int tries = 0; tries < 100 && image.At(at) != colour; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    image = desktop.CaptureScreenRegion(around);
  }
  return image;
}

TEST(WaylandAim, ClicksPaintTheAimedPixelInAQtProgram) {
  UseWaylandSession(FixtureSessionFile());
  ClickRecorder recorder;
  ASSERT_EQ(recorder.ReadLine(20000), "ready");
  const auto desktop = OpenWaylandDesktop();
  const DesktopArea area = desktop->DesktopBounds();
  const ScreenPoint far{area.width - 2, area.height - 2};
  // Covering the screen once it is white from corner to corner.
  AroundOnce(*desktop, {1, 1}, kWhite);
  ASSERT_EQ(AroundOnce(*desktop, far, kWhite).At(far), kWhite)
      << "the recorder never covered the screen";
  for (const ScreenPoint at : {ScreenPoint{100, 60}, ScreenPoint{517, 333}}) {
    Click(*desktop, at);
    // Black at `at` and nowhere around it.
    const ScreenImage around = AroundOnce(*desktop, at, kBlack);
    for (std::size_t i = 0; i < around.pixels.size(); ++i) {
      EXPECT_EQ(around.pixels[i] == kBlack, i == 4)
          << "clicked at " << at.x << "," << at.y << ", pixel " << i;
    }
  }
  // Lines too, behind the pacer: whole, and none joined to the one before.
  DeliveryPacer pacer(OpenWaylandDesktop(), MakeSteadyPacingClock());
  EXPECT_EQ(StrokeFaults(pacer, recorder, {200, 200}), "");
}

struct OutputCase {
  const char* name;
  std::vector<std::string> commands;
  DesktopArea logical;  // worked by hand from the 640x480 mode
};

// One private sway of 640x480, changed from row to row.
TEST(WaylandOutputs, ClicksLandWhereAimedOnScaledTurnedAndSecondOutputs) {
  const PrivateSway sway;
  UseWaylandSession(sway.StateFile());
  const std::array cases{
      OutputCase{"scale 2", {"output HEADLESS-1 scale 2"}, {0, 0, 320, 240}},
      OutputCase{
          "scale 1.5", {"output HEADLESS-1 scale 1.5"}, {0, 0, 426, 320}},
      OutputCase{"turned 90 degrees",
                 {"output HEADLESS-1 scale 1 transform 90"},
                 {0, 0, 480, 640}},
      OutputCase{"second output",
                 {"output HEADLESS-1 transform normal", "create_output",
                  "output HEADLESS-2 mode 320x240 position 640 0",
                  "focus output HEADLESS-2", "seat - cursor set 700 100"},
                 {640, 0, 320, 240}},
  };
  for (const OutputCase& c : cases) {
    for (const std::string& command : c.commands) {
      Swaymsg(command);
    }
    RecordingSurface surface;
    const auto desktop = OpenWaylandDesktop();
    // The pointer is looked for first, as at the start of a drawing: its
    // output is the desktop.
    desktop->GetCursorPos();
    const DesktopArea area = desktop->DesktopBounds();
    EXPECT_EQ(area, c.logical) << c.name;
    const ScreenPoint origin{area.left, area.top};
    for (const ScreenPoint local :
         {ScreenPoint{area.width - 1, area.height - 1}, ScreenPoint{37, 23}}) {
      const ScreenPoint at{origin.x + local.x, origin.y + local.y};
      Click(*desktop, at);
      const std::vector<SurfaceRecord> want{{SurfaceEvent::Press, local},
                                            {SurfaceEvent::Release, local}};
      EXPECT_EQ(surface.Buttons(want.size()), want)
          << c.name << " at " << local.x << "," << local.y;
      EXPECT_EQ(AroundOnce(*desktop, at, kBlack).At(at), kBlack)
          << c.name << ": the dot does not read back at " << at.x << ","
          << at.y;
    }
  }
}

}  // namespace
}  // namespace scrivlet::testing
