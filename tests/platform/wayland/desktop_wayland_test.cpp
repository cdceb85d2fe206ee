// The wlroots route on headless sway: what every route must do
// (CheckRoute), lines behind the pacer; clicks on scaled, turned and second
// outputs, whose logical pixels are what programs see; and a compositor that
// dies while events are being sent.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "child_process.h"
#include "delivery/delivery_pacer.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"
#include "poll_for.h"
#include "recorder_stage.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

TEST(WaylandDesktopTest, MovesClicksAndReadBackOnTheSessionsOutput) {
  UseWaylandSession(FixtureSessionFile());
  CheckRoute(*OpenWaylandDesktop(), false);
}

// Qt rounds the pointer's position, so lines a quarter pixel in land on
// the pixels aimed at, as the dots do.
TEST(WaylandDesktopTest, PacerDrawsLinesWhole) {
  UseWaylandSession(FixtureSessionFile());
  DeliveryPacer pacer(OpenWaylandDesktop(), MakeSteadyPacingClock());
  ClickRecorder recorder(pacer);
  EXPECT_EQ(StrokeFaults(pacer, recorder, {200, 200}), "");
}

// One private sway of 640x480, changed from row to row.
TEST(WaylandOutputs, ClicksLandWhereAimedOnScaledTurnedAndSecondOutputs) {
  const PrivateSway sway;
  UseWaylandSession(sway.StateFile());
  struct Case {
    const char* name;
    std::vector<std::string> commands;
    DesktopArea logical;  // worked by hand from the 640x480 mode
    const char* output = "HEADLESS-1";
  };
  const std::array cases{
      Case{"scale 2", {"output HEADLESS-1 scale 2"}, {0, 0, 320, 240}},
      Case{"scale 1.5", {"output HEADLESS-1 scale 1.5"}, {0, 0, 426, 320}},
      Case{"turned 90 degrees",
           {"output HEADLESS-1 scale 1 transform 90"},
           {0, 0, 480, 640}},
      Case{"turned 90 degrees at scale 2",
           {"output HEADLESS-1 scale 2 transform 90"},
           {0, 0, 240, 320}},
      Case{"second output",
           {"output HEADLESS-1 scale 1 transform normal", "create_output",
            "output HEADLESS-2 mode 320x240 position 640 0",
            "seat - cursor set 700 100"},
           {640, 0, 320, 240},
           "HEADLESS-2"},
  };
  for (const Case& c : cases) {
    for (const std::string& command : c.commands) {
      Swaymsg(command);
    }
    const auto desktop = OpenWaylandDesktop();
    // The pointer is looked for first, as at the start of a drawing: its
    // output is the desktop.
    desktop->GetCursorPos();
    const DesktopArea area = desktop->DesktopBounds();
    EXPECT_EQ(area, c.logical) << c.name;
    ClickRecorder recorder;
    ASSERT_EQ(recorder.ReadLine(20000), "ready") << c.name;
    // Qt puts a full-screen window on its first output; sway knows the
    // window a moment after it has painted.
    const std::vector<std::string> move{
        "swaymsg", "[app_id=click_recorder] move container to output " +
                       std::string(c.output)};
    ASSERT_TRUE(PollFor([&] { return RunToEnd(move).exit_code == 0; },
                        std::chrono::seconds(5)))
        << c.name;
    ASSERT_TRUE(WaitUntilFullScreen(*desktop, recorder)) << c.name;
    for (const ScreenPoint local :
         {ScreenPoint{area.width - 1, area.height - 1}, ScreenPoint{37, 23}}) {
      const ScreenPoint at{area.left + local.x, area.top + local.y};
      MoveTo(*desktop, at, MOUSEEVENTF_LEFTDOWN);
      desktop->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
      desktop->Flush();
      const std::vector<Click> want{{true, local}, {false, local}};
      EXPECT_EQ(recorder.Clicks(want.size()), want)
          << c.name << " at " << local.x << "," << local.y;
      EXPECT_EQ(ReadOnceInked(*desktop, {at.x, at.y, 1, 1}, at).At(at), 0U)
          << c.name << ": the dot does not read back at " << at.x << ","
          << at.y;
    }
  }
}

TEST(WaylandDesktopTest, DyingCompositorEndsInAnErrorNotAHang) {
  const PrivateSway sway;
  UseWaylandSession(sway.StateFile());
  const auto desktop = OpenWaylandDesktop();
  desktop->mouse_event(MOUSEEVENTF_MOVE, 1, 1);
  sway.Kill();
  const auto start = std::chrono::steady_clock::now();
  std::string failure;
  for (int event = 0; event < 100000 && failure.empty(); ++event) {
    try {
      desktop->mouse_event(MOUSEEVENTF_MOVE, event % 2 == 0 ? 1 : -1, 0);
      if (event % 100 == 0) {
        desktop->CaptureScreenRegion({0, 0, 1, 1});
      }
    } catch (const PlatformError& error) {
      failure = error.what();
    }
  }
  EXPECT_NE(failure.find("closed the connection"), std::string::npos)
      << failure;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace scrivlet::testing
