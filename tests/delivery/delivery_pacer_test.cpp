#include "delivery/delivery_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fake_paint_target.h"

namespace scrivlet::testing {
namespace {

constexpr std::uint32_t kAbsMove = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
constexpr std::uint32_t kAbsDown = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
constexpr std::uint32_t kAbsUp = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;

// The engine's forward map: nearest, halves to even.
std::int32_t Normalised(std::int32_t pixel, std::int32_t extent) {
  return static_cast<std::int32_t>(std::nearbyint(pixel * 65535.0 / extent));
}

using Stream = std::vector<MouseEvent>;

// A column of absolute dots 2 pixels apart, as the absolute plotter sends it.
Stream AbsoluteColumn(ScreenPoint top, int count, bool drag = false) {
  Stream events;
  for (int i = 0; i < count; ++i) {
    const std::int32_t x = Normalised(top.x, FakePaintTarget::kBounds.width);
    const std::int32_t y =
        Normalised(top.y + 2 * i, FakePaintTarget::kBounds.height);
    events.push_back({kAbsMove, x, y});
    events.push_back({kAbsDown, x, y});
    if (drag) {
      events.push_back({kAbsMove, x, y + 1});
    }
    events.push_back({kAbsUp, x, y + (drag ? 1 : 0)});
  }
  return events;
}

// The relative plotter's column from the pointer: dots 2 pixels apart, each
// dragged one pixel down when `drag`, then back to the column's top.
Stream RelativeColumn(int count, bool drag) {
  Stream events;
  for (int i = 0; i < count; ++i) {
    events.push_back({MOUSEEVENTF_MOVE, 0, 2});
    events.push_back({MOUSEEVENTF_LEFTDOWN, 0, 0});
    if (drag) {
      events.insert(events.end(), {{MOUSEEVENTF_MOVE, 0, 1},
                                   {MOUSEEVENTF_LEFTUP, 0, 0},
                                   {MOUSEEVENTF_MOVE, 0, -1}});
    }
    events.push_back({MOUSEEVENTF_LEFTUP, 0, 0});
  }
  events.push_back({MOUSEEVENTF_MOVE, 2, -2 * count});
  return events;
}

// The pixels a stream should ink, from the pointer at `start`.
std::set<std::pair<int, int>> InkOf(const Stream& events, ScreenPoint start) {
  DotStream stream;
  stream.Reset(FakePaintTarget::kBounds, start);
  for (const MouseEvent& event : events) {
    stream.Feed(event);
  }
  std::set<std::pair<int, int>> ink;
  for (const StreamPiece& piece : stream.ready()) {
    if (piece.dot) {
      ink.insert({piece.dot->at.x, piece.dot->at.y});
      if (piece.dot->stroke) {
        ink.insert({piece.dot->stroke->x, piece.dot->stroke->y});
      }
    }
  }
  return ink;
}

// The pacer in front of a fake target, both on one fake clock.
class PacerRig {
 public:
  explicit PacerRig(PacingPolicy policy = {}) {
    auto target = std::make_unique<FakePaintTarget>(time_);
    target_ = target.get();
    pacer_ = std::make_unique<DeliveryPacer>(
        std::move(target), std::make_unique<FakeClock>(time_), policy);
  }

  void Draw(const Stream& events) {
    pacer_->DrawingStarted();
    for (const MouseEvent& event : events) {
      pacer_->mouse_event(event.flags, event.dx, event.dy);
    }
    pacer_->DrawingEnded();
  }
  // Lets whatever the target still owes show.
  void Settle() { time_.now += std::chrono::seconds(5); }

  FakePaintTarget& target() { return *target_; }
  DeliveryPacer& pacer() { return *pacer_; }
  PacingClock::TimePoint now() const { return time_.now; }

 private:
  FakeTime time_;
  FakePaintTarget* target_ = nullptr;
  std::unique_ptr<DeliveryPacer> pacer_;
};

std::set<std::pair<int, int>> Painted(const FakePaintTarget& target) {
  std::set<std::pair<int, int>> painted;
  for (const ScreenPoint& at : target.Painted()) {
    painted.insert({at.x, at.y});
  }
  return painted;
}

struct TargetCase {
  std::string name;
  std::function<void(FakePaintTarget&)> setup;
  bool relative = false;
  bool drag = false;
  // At most this much fake time per dot: catches one dot per frame.
  microseconds per_dot{0};
  friend void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }
};

class PacerTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(PacerTargetTest, EveryDotLandsAndNothingElse) {
  const TargetCase& test = GetParam();
  PacerRig rig;
  test.setup(rig.target());
  const ScreenPoint start{40, 30};
  Stream events;
  if (test.relative) {
    rig.target().mouse_event(kAbsMove, Normalised(start.x, 640),
                             Normalised(start.y, 480));
    for (int column = 0; column < 8; ++column) {
      const Stream one = RelativeColumn(40, test.drag);
      events.insert(events.end(), one.begin(), one.end());
    }
  } else {
    for (int column = 0; column < 8; ++column) {
      const Stream one =
          AbsoluteColumn({start.x + 2 * column, start.y + 2}, 40, test.drag);
      events.insert(events.end(), one.begin(), one.end());
    }
  }
  const PacingClock::TimePoint began = rig.now();
  rig.Draw(events);
  const auto took = rig.now() - began;
  rig.Settle();

  const auto painted = Painted(rig.target());
  const auto ink = InkOf(events, start);
  std::vector<std::pair<int, int>> missing;
  std::vector<std::pair<int, int>> stray;
  std::set_difference(ink.begin(), ink.end(), painted.begin(), painted.end(),
                      std::back_inserter(missing));
  std::set_difference(painted.begin(), painted.end(), ink.begin(), ink.end(),
                      std::back_inserter(stray));
  const PacingStats& stats = rig.pacer().stats();
  EXPECT_TRUE(missing.empty())
      << missing.size() << " missing, first at " << missing[0].first << ","
      << missing[0].second << "; " << stats.repaired << " repaired, "
      << stats.timed_out << " timed out";
  EXPECT_TRUE(stray.empty()) << stray.size() << " stray";
  if (test.per_dot.count() > 0) {
    EXPECT_LE(took, 320 * test.per_dot);
  }
  // Nothing of the stream is lost or reordered: with the repairs (whole
  // clicks sent again) taken out, the target got the engine's events.
  EXPECT_EQ(stats.dots, 320);
  if (stats.repaired == 0) {
    ASSERT_EQ(rig.target().events().size(),
              events.size() + (test.relative ? 1 : 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PacerTargetTest,
    ::testing::Values(
        TargetCase{"FastPaintProgram", [](FakePaintTarget&) {}},
        // Shows a dot a frame later: many dots per frame, not one.
        TargetCase{"Compositor",
                   [](FakePaintTarget& target) {
                     target.fragile = false;
                     target.frame = milliseconds(16);
                   },
                   false, false, milliseconds(2)},
        // Loses a click 1 ms after the previous one: sent again.
        TargetCase{"BrowserDroppingClicks",
                   [](FakePaintTarget& target) {
                     target.fragile = false;
                     target.frame = milliseconds(16);
                     target.drop_within = milliseconds(1);
                   },
                   false, false, milliseconds(8)},
        // Looked at as soon as it painted, not on a timer.
        TargetCase{
            "FastPaintProgramReportingDrawing",
            [](FakePaintTarget& target) { target.reports_changes = true; },
            false, false, microseconds(900)},
        TargetCase{"BrowserReportingDrawing",
                   [](FakePaintTarget& target) {
                     target.reports_changes = true;
                     target.fragile = false;
                     target.frame = milliseconds(16);
                     target.drop_within = milliseconds(1);
                   },
                   false, false, milliseconds(8)},
        TargetCase{"StallingPaintProgramReportingDrawing",
                   [](FakePaintTarget& target) {
                     target.reports_changes = true;
                     target.stall_before_press = {{5, milliseconds(900)}};
                   }},
        TargetCase{"StallingPaintProgram",
                   [](FakePaintTarget& target) {
                     target.stall_before_press = {{5, milliseconds(900)},
                                                  {100, milliseconds(300)}};
                   }},
        TargetCase{"RelativeDots", [](FakePaintTarget&) {}, true},
        TargetCase{"RelativeDragIntoAFragileTarget", [](FakePaintTarget&) {},
                   true, true}),
    [](const auto& instance) { return instance.param.name; });

TEST(DeliveryPacerTest, AnOverrunTargetIsKeptToOneDotInFlight) {
  PacerRig rig;
  rig.target().fragile = false;
  rig.target().smears = true;
  rig.target().frame = milliseconds(16);
  rig.target().paint_latency = milliseconds(2);
  const Stream events = AbsoluteColumn({50, 50}, 60);
  rig.Draw(events);
  const PacingStats& stats = rig.pacer().stats();
  EXPECT_GT(stats.strays, 0);
  EXPECT_TRUE(rig.pacer().trust().Smeared());
  EXPECT_EQ(rig.pacer().trust().Window(), 1);
  // Once seen, nothing more strays: no more than the first batch's worth.
  const auto painted = Painted(rig.target());
  const auto ink = InkOf(events, {});
  EXPECT_TRUE(
      std::includes(painted.begin(), painted.end(), ink.begin(), ink.end()));
  EXPECT_LE(painted.size() - ink.size(), 4U);
}

TEST(DeliveryPacerTest, AnUnreadableScreenGetsTheSafePace) {
  PacerRig rig;
  rig.target().readable = false;
  const PacingClock::TimePoint began = rig.now();
  rig.Draw(AbsoluteColumn({50, 50}, 20));
  EXPECT_EQ(rig.pacer().stats().safe_paced, 20);
  const auto safe_pace = PacingPolicy{}.trust.safe_pace;
  EXPECT_GE(rig.now() - began, 20 * safe_pace);
  EXPECT_LT(rig.now() - began, 20 * (safe_pace + safe_pace / 2));
}

TEST(DeliveryPacerTest, F8SeenWhileWaitingStopsEverythingAndIsHandedOn) {
  PacerRig rig;
  rig.target().paint_latency.reset();  // a stalled target: a long wait
  rig.target().abort_key_words = {0, 0, kFreshKeyPress};
  rig.Draw(AbsoluteColumn({50, 50}, 30));
  const std::vector<SentEvent>& sent = rig.target().events();
  // The first dot went; the wait for it saw F8 and nothing followed.
  ASSERT_FALSE(sent.empty());
  EXPECT_LE(sent.size(), 3U);
  EXPECT_EQ(sent.back().flags & MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTUP);
  // Long before the wait for the dot would have ended.
  EXPECT_LT(sent.back().at.time_since_epoch(),
            PacingPolicy{}.trust.confirm_timeout);
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8) & kKeyPressedSinceLastQuery,
            kKeyPressedSinceLastQuery);
  // The next drawing is delivered again.
  rig.target().paint_latency = microseconds(800);
  rig.Draw(AbsoluteColumn({60, 50}, 3));
  EXPECT_EQ(rig.target().PaintedAt({60, 54}).has_value(), true);
}

TEST(DeliveryPacerTest, TheEnginesF8StopsWhatIsHeld) {
  PacerRig rig;
  rig.target().frame = milliseconds(16);
  rig.target().fragile = false;
  // The window has grown: a batch's worth is held when the engine stops.
  rig.Draw(AbsoluteColumn({50, 50}, 40));
  rig.target().abort_key_words = {kFreshKeyPress};
  const std::size_t before = rig.target().events().size();
  rig.pacer().DrawingStarted();
  for (const MouseEvent& event : AbsoluteColumn({70, 50}, 3)) {
    rig.pacer().mouse_event(event.flags, event.dx, event.dy);
  }
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8), kFreshKeyPress);
  rig.pacer().mouse_event(kAbsMove, 0, 0);
  rig.pacer().DrawingEnded();
  EXPECT_EQ(rig.target().events().size(), before);
}

TEST(DeliveryPacerTest, F8StopsABatchThatTakesLongToSend) {
  PacerRig rig;
  rig.target().frame = milliseconds(16);
  rig.target().fragile = false;
  rig.Draw(AbsoluteColumn({50, 50}, 100));
  const int window = rig.pacer().trust().Window();
  rig.target().event_time = milliseconds(1);
  rig.target().abort_key_words = {0, 0, kFreshKeyPress};
  const std::size_t before = rig.target().events().size();
  rig.Draw(AbsoluteColumn({70, 50}, 100));
  // F8 answers the third look at it: the dots of 3 events that went by
  // then and a few more, not the whole batch.
  const auto third_look = 3 * PacingPolicy{}.abort_check_interval;
  const auto dots = static_cast<int>(third_look / (3 * milliseconds(1))) + 4;
  ASSERT_LT(dots, window);
  EXPECT_LE(rig.target().events().size() - before, 3U * dots);
  EXPECT_EQ(rig.target().events().back().flags & MOUSEEVENTF_LEFTUP,
            MOUSEEVENTF_LEFTUP);
}

TEST(DeliveryPacerTest, ADesktopErrorLeavesNoButtonDown) {
  class FailingTarget final : public PlatformInput {
   public:
    ScreenPoint GetCursorPos() override { return {}; }
    void mouse_event(std::uint32_t flags, std::int32_t, std::int32_t) override {
      if ((flags & MOUSEEVENTF_LEFTDOWN) != 0 && ++presses == 2) {
        down = true;
        throw PlatformError("injection failed");
      }
      down = (flags & MOUSEEVENTF_LEFTDOWN) != 0 ||
             (down && (flags & MOUSEEVENTF_LEFTUP) == 0);
    }
    std::uint16_t GetAsyncKeyState(int) override { return 0; }
    DesktopArea DesktopBounds() override { return FakePaintTarget::kBounds; }
    void SetWindowPos(NativeWindow, ZOrder) override {}
    std::optional<COLORREF> ReadScreenPixel(ScreenPoint) override {
      return std::nullopt;
    }
    void Flush() override {}
    int presses = 0;
    bool down = false;
  };
  auto target = std::make_unique<FailingTarget>();
  FailingTarget& failing = *target;
  FakeTime time;
  DeliveryPacer pacer(std::move(target), std::make_unique<FakeClock>(time));
  pacer.DrawingStarted();
  EXPECT_THROW(
      {
        for (const MouseEvent& event : AbsoluteColumn({50, 50}, 5)) {
          pacer.mouse_event(event.flags, event.dx, event.dy);
        }
      },
      PlatformError);
  EXPECT_FALSE(failing.down);
}

TEST(DeliveryPacerTest, RefusesToRunWithoutADesktop) {
  FakeTime time;
  EXPECT_THROW(DeliveryPacer(nullptr, std::make_unique<FakeClock>(time)),
               PlatformError);
}

}  // namespace
}  // namespace scrivlet::testing
