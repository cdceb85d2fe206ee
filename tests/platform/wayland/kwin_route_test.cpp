// The KDE route on a real KWin (kwin_wayland --virtual, started by
// scripts/kdesession.sh with a desktop entry for this program): KWin grants
// the fake input, the overlay finds the pointer, and clicks reach a
// Wayland client on the pixels they were aimed at, and KWin's screenshots
// read them back; behind the pacer, dots and lines land whole.

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "absolute_aim.h"
#include "delivery/delivery_pacer.h"
#include "gnome_stage.h"
#include "platform/desktop_backends.h"
#include "recording_surface.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

TEST(KwinRouteTest, ClicksLandWhereAimedAndReadBack) {
  UseWaylandSession(FixtureSessionFile());
  RecordingSurface surface;
  const auto desktop = OpenWaylandDesktop();
  MoveTo(*desktop, {200, 100});
  EXPECT_EQ(desktop->GetCursorPos(), (ScreenPoint{200, 100}));
  desktop->mouse_event(MOUSEEVENTF_MOVE, 7, -3);
  EXPECT_EQ(desktop->GetCursorPos(), (ScreenPoint{207, 97}));
  std::vector<SurfaceRecord> expected = ClickThenDrag(*desktop, {207, 97});
  // KWin hands programs whole-pixel positions: on the corner, not inside.
  std::vector<SurfaceRecord> buttons = surface.Buttons(expected.size());
  for (SurfaceRecord& record : buttons) {
    record.inside = true;
  }
  EXPECT_EQ(buttons, expected);

  // The pattern around the first pixel pressed, which the client inked,
  // read back at full colour: a read one pixel off or with channels
  // swapped differs.
  const ScreenPoint inked{207, 97};
  const ScreenRect area{inked.x - 2, inked.y - 2, 5, 5};
  ScreenImage image = desktop->CaptureScreenRegion(area);
  for (int look = 0; look < 50 && image.At(inked) != COLORREF{0}; ++look) {
    image = desktop->CaptureScreenRegion(area);
  }
  for (std::int32_t y = area.top; y < area.top + area.height; ++y) {
    for (std::int32_t x = area.left; x < area.left + area.width; ++x) {
      const ScreenPoint at{x, y};
      EXPECT_EQ(image.At(at), at == inked ? 0 : PatternAt(at)) << x << "," << y;
    }
  }
}

// Behind the pacer every dot of a drawing is confirmed on the screen rather
// than sent at the safe pace; prints the rate for the delivery figures.
TEST(KwinRouteTest, PacerConfirmsEveryDot) {
  UseWaylandSession(FixtureSessionFile());
  RecordingSurface surface;
  DeliveryPacer pacer(OpenWaylandDesktop(), MakeSteadyPacingClock());
  constexpr int kDots = 300;
  const auto start = std::chrono::steady_clock::now();
  pacer.DrawingStarted();
  for (int dot = 0; dot < kDots; ++dot) {
    MoveTo(pacer, {100 + 2 * (dot % 100), 300 + 3 * (dot / 100)});
    pacer.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
    pacer.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  }
  pacer.Flush();
  pacer.DrawingEnded();
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - start;
  const PacingStats& stats = pacer.stats();
  EXPECT_EQ(stats.confirmed, kDots);
  EXPECT_EQ(stats.safe_paced, 0);
  EXPECT_EQ(stats.strays, 0);
  std::cout << "KWin with read-back: " << kDots << " dots in " << took.count()
            << " s, " << kDots / took.count() << " dots/s, " << stats.batches
            << " batches, " << stats.looks << " looks, " << stats.repaired
            << " sent again\n";
}

TEST(KwinRouteTest, PacerDrawsLinesWhole) {
  UseWaylandSession(FixtureSessionFile());
  ClickRecorder recorder;
  ASSERT_EQ(recorder.ReadLine(20000), "ready");
  DeliveryPacer pacer(OpenWaylandDesktop(), MakeSteadyPacingClock());
  ASSERT_TRUE(WaitUntilFullScreen(pacer, recorder));
  EXPECT_EQ(StrokeFaults(pacer, recorder, {200, 200}), "");
}

}  // namespace
}  // namespace scrivlet::testing
