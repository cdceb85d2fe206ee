// Lines into a target that reads the button only when it gets to the move
// (it loses a line whose release came first) behind a compositor that
// shows its drawing a frame later: each line is held until the target has
// drawn it, not until a frame shows it.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "delivery/delivery_pacer.h"
#include "fake_paint_target.h"

namespace scrivlet::testing {
namespace {

constexpr int kLines = 60;
constexpr int kLength = 8;  // pixels after the press
constexpr std::int32_t kLeft = 50;
constexpr std::int32_t kTop = 40;

std::int32_t Absolute(std::int32_t pixel, std::int32_t extent) {
  return (pixel * 65535 + extent / 2) / extent;
}

// A row of vertical lines 2 pixels apart, as the line plotter sends them.
std::vector<MouseEvent> LineRow() {
  std::vector<MouseEvent> events;
  const DesktopArea bounds = FakePaintTarget::kBounds;
  const std::uint32_t abs = MOUSEEVENTF_ABSOLUTE;
  for (int i = 0; i < kLines; ++i) {
    const std::int32_t x = Absolute(kLeft + 2 * i, bounds.width);
    const std::int32_t top = Absolute(kTop, bounds.height);
    const std::int32_t end = Absolute(kTop + kLength, bounds.height);
    events.insert(events.end(), {{MOUSEEVENTF_MOVE | abs, x, top},
                                 {MOUSEEVENTF_LEFTDOWN | abs, x, top},
                                 {MOUSEEVENTF_MOVE | abs, x, end},
                                 {MOUSEEVENTF_LEFTUP | abs, x, end}});
  }
  return events;
}

struct HoldCase {
  const char* name;
  microseconds paint_latency;
};

TEST(StrokeHoldingTest, HeldLinesWaitForTheTargetNotTheFrame) {
  const microseconds frame = milliseconds(16);
  for (const HoldCase& test : {HoldCase{"quick target", microseconds(800)},
                               HoldCase{"slow target", milliseconds(6)}}) {
    SCOPED_TRACE(test.name);
    FakeTime time;
    auto owned = std::make_unique<FakePaintTarget>(time);
    FakePaintTarget& target = *owned;
    target.frame = frame;
    target.reports_changes = true;
    target.paint_latency = test.paint_latency;
    DeliveryPacer pacer(std::move(owned), std::make_unique<FakeClock>(time));
    pacer.DrawingStarted();
    for (const MouseEvent& event : LineRow()) {
      pacer.mouse_event(event.flags, event.dx, event.dy);
    }
    pacer.DrawingEnded();
    ASSERT_TRUE(pacer.trust().HoldStrokes());
    // Every line whole: none lost to a release that came too soon, none
    // joined to the next.
    for (int i = 0; i < kLines; ++i) {
      for (int y = kTop; y <= kTop + kLength; ++y) {
        ASSERT_TRUE(target.PaintedAt({kLeft + 2 * i, y}).has_value())
            << "line " << i << " pixel " << y;
      }
    }
    EXPECT_EQ(pacer.stats().strays, 0);
    // Held until its press and its end were shown, each line would wait
    // for two frames.
    EXPECT_LT(time.now - PacingClock::TimePoint{}, kLines * frame * 3 / 2);
  }
}

}  // namespace
}  // namespace scrivlet::testing
