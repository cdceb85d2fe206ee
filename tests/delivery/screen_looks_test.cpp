#include "delivery/screen_looks.h"

#include <gtest/gtest.h>

#include "fake_paint_target.h"

namespace scrivlet::testing {
namespace {

// The last look may stand for the screen before the next batch, but only
// while nothing has been drawn since: a stale image would take the new ink
// for ink where no dot was aimed, and keep the target to one dot for good.
TEST(ScreenLooksTest, TheLastLookIsNotReusedOnceSomethingWasDrawn) {
  PacingClock::TimePoint now{};
  FakePaintTarget target(now);
  target.reports_changes = true;
  ScreenLooks looks(&target);
  looks.set_reports_changes(true);
  const ScreenPoint dot{12, 12};
  looks.Look({10, 10, 1, 1}, true);

  target.mouse_event(MOUSEEVENTF_MOVE, dot.x, dot.y);
  target.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  target.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  now += milliseconds(1);

  EXPECT_EQ(looks.Before({dot.x, dot.y, 1, 1}).At(dot), kInk);
}

}  // namespace
}  // namespace scrivlet::testing
