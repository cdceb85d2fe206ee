// The KDE route on a real KWin (kwin_wayland --virtual, started by
// scripts/kdesession.sh with a desktop entry for this program): KWin grants
// the fake input, and the route does what every route must (CheckRoute),
// reading back through KWin's screenshots; behind the pacer, dots and
// lines land whole.

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>

#include "delivery/delivery_pacer.h"
#include "platform/desktop_backends.h"
#include "recorder_stage.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

TEST(KwinRouteTest, MovesClicksAndReadBack) {
  UseWaylandSession(FixtureSessionFile());
  // KWin hands programs whole-pixel positions: on the corner.
  CheckRoute(*OpenWaylandDesktop(), true);
}

// Behind the pacer every dot of a drawing is confirmed on the screen rather
// than sent at the safe pace; prints the rate for the delivery figures.
TEST(KwinRouteTest, PacerConfirmsEveryDot) {
  UseWaylandSession(FixtureSessionFile());
  ClickRecorder recorder(*OpenWaylandDesktop());
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
  EXPECT_EQ(StrokeFaults(pacer, recorder, {200, 200}), "");
}

}  // namespace
}  // namespace scrivlet::testing
