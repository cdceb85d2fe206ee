// The KDE route on a real KWin (kwin_wayland --virtual, started by
// scripts/kdesession.sh with a desktop entry for this program): KWin grants
// the fake input, the overlay finds the pointer, and clicks reach a
// Wayland client on the pixels they were aimed at.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "absolute_aim.h"
#include "platform/desktop_backends.h"
#include "recording_surface.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

TEST(KwinRouteTest, ClicksLandWhereAimed) {
  UseWaylandSession(FixtureSessionFile());
  RecordingSurface surface;
  const auto desktop = OpenWaylandDesktop();
  MoveTo(*desktop, {200, 100});
  EXPECT_EQ(desktop->GetCursorPos(), (ScreenPoint{200, 100}));
  desktop->mouse_event(MOUSEEVENTF_MOVE, 7, -3);
  EXPECT_EQ(desktop->GetCursorPos(), (ScreenPoint{207, 97}));
  surface.Take();
  desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  desktop->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  MoveTo(*desktop, {31, 47}, MOUSEEVENTF_LEFTDOWN);
  desktop->mouse_event(MOUSEEVENTF_MOVE, 5, 0);
  desktop->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  desktop->Flush();
  const std::vector<SurfaceRecord> expected{
      {SurfaceEvent::Press, {207, 97}},
      {SurfaceEvent::Release, {207, 97}},
      {SurfaceEvent::Press, {31, 47}},
      {SurfaceEvent::Release, {36, 47}},
  };
  // KWin may send more motion than was asked for: wait for the buttons.
  std::vector<SurfaceRecord> buttons;
  for (int wait = 0; wait < 10 && buttons.size() < expected.size(); ++wait) {
    surface.WaitFor(1);
    for (const SurfaceRecord& record : surface.Take()) {
      // KWin hands programs whole-pixel positions, never pixel centres.
      if (record.kind != SurfaceEvent::Motion) {
        buttons.push_back({record.kind, record.at});
      }
    }
  }
  EXPECT_EQ(buttons, expected);
}

}  // namespace
}  // namespace scrivlet::testing
