#include "delivery/delivery_pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "fake_paint_target.h"

namespace scrivlet::testing {
namespace {

// Lines of this many pixels after the press, as the stroke plotters draw
// runs of ink: press, one move down, release; 2 pixels between lines.
constexpr int kLine = 8;

// The relative plotter's column from the pointer: dots 2 pixels apart, each
// dragged one pixel down when `drag`, then back to the column's top; or
// lines of `line` pixels.
Stream RelativeColumn(int count, bool drag, int line = 0) {
  Stream events;
  for (int i = 0; i < count; ++i) {
    events.push_back({MOUSEEVENTF_MOVE, 0, 2});
    events.push_back({MOUSEEVENTF_LEFTDOWN, 0, 0});
    if (drag) {
      events.insert(events.end(), {{MOUSEEVENTF_MOVE, 0, 1},
                                   {MOUSEEVENTF_LEFTUP, 0, 0},
                                   {MOUSEEVENTF_MOVE, 0, -1}});
    }
    if (line > 0) {
      events.push_back({MOUSEEVENTF_MOVE, 0, line});
    }
    events.push_back({MOUSEEVENTF_LEFTUP, 0, 0});
  }
  events.push_back({MOUSEEVENTF_MOVE, 2, -(2 + line) * count});
  return events;
}

// What the stream paints sent straight into a target that loses nothing,
// with the pointer at `start` and relative moves scaled as `like` scales.
std::set<std::pair<int, int>> InkOf(const Stream& events, ScreenPoint start,
                                    const FakePaintTarget& like) {
  PacingClock::TimePoint time{};
  FakePaintTarget target(time);
  target.fragile = false;
  target.relative_scale = like.relative_scale;
  target.mouse_event(kAbsMove, EngineCoordinate(start.x, 640),
                     EngineCoordinate(start.y, 480));
  for (const MouseEvent& event : events) {
    target.mouse_event(event.flags, event.dx, event.dy);
  }
  return target.Painted();
}

struct TargetCase {
  std::string name;
  std::function<void(FakePaintTarget&)> setup;
  bool relative = false;
  bool drag = false;  // relative only
  // At most this much fake time per dot: catches one dot per frame.
  microseconds per_dot{0};
  int line = 0;  // lines of this many pixels instead of dots
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
    rig.target().mouse_event(kAbsMove, EngineCoordinate(start.x, 640),
                             EngineCoordinate(start.y, 480));
  }
  for (int column = 0; column < 8; ++column) {
    const Stream one = test.relative
                           ? RelativeColumn(40, test.drag, test.line)
                           : AbsoluteColumn({start.x + 2 * column, start.y + 2},
                                            40, test.line);
    events.insert(events.end(), one.begin(), one.end());
  }
  const PacingClock::TimePoint began = rig.now();
  rig.Draw(events);
  const auto took = rig.now() - began;
  rig.Settle();

  // Every dot lands and nothing else.
  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(rig.target().Painted(), InkOf(events, start, rig.target()))
      << stats.repaired << " repaired, " << stats.timed_out << " timed out";
  if (test.per_dot.count() > 0) {
    EXPECT_LE(took, 320 * test.per_dot);
  }
  // Nothing of the stream is lost or reordered: with the repairs (whole
  // clicks sent again) taken out, the target got the engine's events.
  EXPECT_EQ(stats.dots, 320);
  EXPECT_EQ(stats.strokes, test.drag || test.line > 0 ? 320 : 0);
  if (stats.repaired == 0) {
    ASSERT_EQ(rig.target().events().size(),
              events.size() + (test.relative ? 1 : 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PacerTargetTest,
    ::testing::Values(
        TargetCase{"FastPaintProgram", [](FakePaintTarget&) {}},
        // Shows a dot a frame later: many dots per frame, not one, and
        // after a short probe, since it shows drawn dots late.
        TargetCase{"Compositor",
                   [](FakePaintTarget& target) {
                     target.fragile = false;
                     target.frame = milliseconds(16);
                   },
                   false, false, microseconds(1500)},
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
        TargetCase{"StallingPaintProgram",
                   [](FakePaintTarget& target) {
                     target.stall_before_press = {{5, milliseconds(900)},
                                                  {100, milliseconds(300)}};
                   }},
        TargetCase{"RelativeDots", [](FakePaintTarget&) {}, true},
        TargetCase{"RelativeDragIntoAFragileTarget", [](FakePaintTarget&) {},
                   true, true},
        // Pointer speed: each dot is found where the pointer went, and
        // is looked for there, not waited for where it was aimed.
        TargetCase{"RelativeDragSpedUp",
                   [](FakePaintTarget& target) { target.relative_scale = 1.5; },
                   true, true, milliseconds(3)},
        // Strokes: a line per press, confirmed along its pixels.
        TargetCase{"LinesIntoACompositor",
                   [](FakePaintTarget& target) {
                     target.fragile = false;
                     target.frame = milliseconds(16);
                   },
                   // The target's own work is two latencies per line.
                   false, false, milliseconds(3), kLine},
        // Lines that lose part of their pixels get that part again.
        TargetCase{
            "LinesWithGaps",
            [](FakePaintTarget& target) {
              target.line_gaps = {{3, {1, 4}}, {50, {5, 8}}, {200, {2, 6}}};
            },
            false, false, microseconds(0), kLine},
        TargetCase{"RelativeLinesWithGaps",
                   [](FakePaintTarget& target) {
                     target.line_gaps = {{3, {2, 6}}, {120, {1, 8}}};
                   },
                   true, false, microseconds(0), kLine}),
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
  const auto painted = rig.target().Painted();
  const auto ink = InkOf(events, {}, rig.target());
  EXPECT_TRUE(
      std::includes(painted.begin(), painted.end(), ink.begin(), ink.end()));
  EXPECT_LE(painted.size() - ink.size(), 4U);
}

// Behind a screen that shows taken input late (GNOME's cast), a target
// stalled mid-batch is waited for, not sent its dots again; one that drops
// clicks is still slowed.
TEST(DeliveryPacerTest, DotsTakenAndShownLateAreWaitedFor) {
  for (const bool drops : {false, true}) {
    SCOPED_TRACE(drops ? "drops clicks" : "stalls");
    PacerRig rig;
    rig.target().fragile = false;
    rig.target().frame = milliseconds(16);
    rig.target().shows_taken_late = true;
    rig.target().stall_before_press = {{40, milliseconds(50)}};
    rig.target().drop_within = drops ? milliseconds(1) : microseconds(0);
    const Stream events = AbsoluteColumn({50, 50}, 120);
    rig.Draw(events);
    rig.Settle();
    EXPECT_EQ(rig.target().Painted(), InkOf(events, {}, rig.target()));
    EXPECT_EQ(rig.pacer().stats().repaired > 0, drops);
    EXPECT_EQ(rig.pacer().trust().Pace().count() > 0, drops);
    EXPECT_TRUE(rig.pacer().trust().DrawnLate());  // the shorter probe
  }
}

// A pixel inked apart from two columns of dots is no line from a dot: after
// a run of clean batches the window grows again.
TEST(DeliveryPacerTest, InkApartFromTheDotsSlowsItOnlyForAWhile) {
  PacerRig rig;
  rig.target().fragile = false;
  rig.target().frame = milliseconds(16);
  rig.target().speck_at_press = 60;
  const Stream left = AbsoluteColumn({50, 50}, 150);
  const Stream right = AbsoluteColumn({54, 50}, 150);
  Stream events;
  for (auto l = left.begin(), r = right.begin(); l != left.end();
       l += 3, r += 3) {
    events.insert(events.end(), l, l + 3);
    events.insert(events.end(), r, r + 3);
  }
  rig.Draw(events);
  EXPECT_EQ(rig.pacer().stats().strays, 1);
  EXPECT_FALSE(rig.pacer().trust().Smeared());
  EXPECT_GT(rig.pacer().trust().Window(), 1);
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

// Also where the wait is for the desktop's report of drawing.
TEST(DeliveryPacerTest, F8SeenWhileWaitingStopsEverythingAndIsHandedOn) {
  for (const bool reports : {false, true}) {
    SCOPED_TRACE(reports ? "reported drawing" : "looks on a timer");
    PacerRig rig;
    rig.target().reports_changes = reports;
    rig.target().paint_latency.reset();  // a stalled target: a long wait
    rig.target().abort_key_words = {0, 0, kFreshKeyPress};
    rig.Draw(AbsoluteColumn({50, 50}, 30));
    const std::vector<SentEvent>& sent = rig.target().events();
    // The first dot went; the wait for it saw F8 and nothing followed.
    ASSERT_FALSE(sent.empty());
    EXPECT_LE(sent.size(), 3U);
    EXPECT_EQ(sent.back().flags & MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTUP);
    // Within a tenth of a second, long before the wait would have ended.
    ASSERT_TRUE(rig.target().abort_answered.has_value());
    EXPECT_LE(rig.now() - *rig.target().abort_answered, milliseconds(100));
    EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8) & kKeyPressedSinceLastQuery,
              kKeyPressedSinceLastQuery);
    // The next drawing is delivered again.
    rig.target().paint_latency = microseconds(800);
    rig.Draw(AbsoluteColumn({60, 50}, 3));
    EXPECT_EQ(rig.target().Painted().count({60, 54}), 1U);
  }
}

// Also a tap already let go when the engine asks: it stops the engine too;
// and an F8 that a layer in front answered (0 here: the pacer is only told
// the drawing was stopped).
TEST(DeliveryPacerTest, TheEnginesF8StopsWhatIsHeld) {
  for (const std::uint16_t word :
       {kFreshKeyPress, kKeyPressedSinceLastQuery, std::uint16_t{0}}) {
    PacerRig rig;
    rig.target().frame = milliseconds(16);
    rig.target().fragile = false;
    // The window has grown: a batch's worth is held when the engine stops.
    rig.Draw(AbsoluteColumn({50, 50}, 40));
    rig.target().abort_key_words = {word};
    const std::size_t before = rig.target().events().size();
    rig.pacer().DrawingStarted();
    rig.Send(AbsoluteColumn({70, 50}, 3));
    EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8), word);
    rig.pacer().mouse_event(kAbsMove, 0, 0);
    if (word == 0) {
      rig.pacer().DrawingAborted();
    }
    rig.pacer().DrawingEnded();
    EXPECT_EQ(rig.target().events().size(), before) << word;
  }
}

// F8 stops a drawing of lines within 100 ms, with the button up: while a
// batch goes out slowly; mid-line, while a target that lost a line
// before (and so gets each line held until its press shows) stalls; and
// while a relative line's blank part goes again held, its press stalled
// (the pointer is not brought back either).
TEST(DeliveryPacerTest, F8StopsLinesWithinATenthOfASecond) {
  for (const int when : {0, 1, 2}) {
    SCOPED_TRACE(when);
    const bool mid_line = when == 1;
    PacerRig rig;
    if (when == 2) {
      rig.target().line_gaps = {{3, {2, 6}}};
      rig.target().stall_before_press = {{4, milliseconds(1500)}};
      rig.target().abort_key_words.assign(60, 0);  // well into that stall
      rig.target().abort_key_words.push_back(kFreshKeyPress);
      rig.Draw(RelativeColumn(10, false, kLine));
    } else {
      rig.target().fragile = mid_line;
      rig.target().frame = mid_line ? microseconds(0) : milliseconds(16);
      rig.Draw(AbsoluteColumn({50, 50}, 40, kLine));
      ASSERT_EQ(rig.pacer().trust().HoldStrokes(), mid_line);
      if (mid_line) {
        rig.target().paint_latency.reset();
      }
      rig.target().event_time = milliseconds(2);
      rig.target().abort_key_words = {0, 0, 0, kFreshKeyPress};
      rig.Draw(AbsoluteColumn({70, 50}, 40, kLine));
    }
    ASSERT_TRUE(rig.target().abort_answered.has_value());
    const SentEvent& last = rig.target().events().back();
    EXPECT_LE(last.at - *rig.target().abort_answered, milliseconds(100));
    EXPECT_EQ(last.flags & MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTUP);
    // Nothing more is drawn: a held line's move after F8 would finish it.
    const std::vector<SentEvent>& events = rig.target().events();
    for (std::size_t i = rig.target().events_before_abort; i < events.size();
         ++i) {
      EXPECT_EQ(events[i].flags, MOUSEEVENTF_LEFTUP) << "event " << i;
    }
  }
}

// The engine checks each relative move against the pointer, and a line's
// move waits with its press for the release: asked meanwhile, the pacer
// answers where the line leads, clipped at the edge as the desktop clips it.
TEST(DeliveryPacerTest, ThePointerMidLineIsWhereTheLineLeads) {
  PacerRig rig;
  rig.pacer().DrawingStarted();
  rig.Send({{kAbsMove, EngineCoordinate(100, 640), EngineCoordinate(470, 480)},
            {MOUSEEVENTF_LEFTDOWN, 0, 0},
            {MOUSEEVENTF_MOVE, 0, 16}});
  EXPECT_EQ(rig.pacer().GetCursorPos(), (ScreenPoint{100, 479}));
  rig.pacer().mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  rig.pacer().DrawingEnded();
  EXPECT_EQ(rig.target().GetCursorPos(), (ScreenPoint{100, 479}));
}

TEST(DeliveryPacerTest, ADesktopErrorLeavesNoButtonDown) {
  for (const bool swatch : {false, true}) {
    SCOPED_TRACE(swatch ? "a swatch's click fails" : "a dot's click fails");
    PacerRig rig;
    rig.target().readable = false;
    rig.target().fail_at_press = swatch ? 0 : 1;
    rig.pacer().DrawingStarted();
    if (swatch) {
      rig.pacer().InkChosen({50, 50}, kInk);
    }
    EXPECT_THROW(rig.Send(AbsoluteColumn({50, 50}, 5)), PlatformError);
    EXPECT_FALSE(rig.target().button_down());
  }
}

// Lines into a target that reads the button only when it gets to the move
// (it loses a line whose release came first) behind a compositor that
// shows its drawing a frame later: each line is held until the target has
// drawn it, not until a frame shows it.
TEST(DeliveryPacerTest, HeldLinesWaitForTheTargetNotTheFrame) {
  constexpr int kLines = 60;
  const microseconds frame = milliseconds(16);
  for (const microseconds latency : {microseconds(800), microseconds(6000)}) {
    SCOPED_TRACE(latency.count());
    PacerRig rig;
    rig.target().frame = frame;
    rig.target().reports_changes = true;
    rig.target().paint_latency = latency;
    Stream row;  // vertical lines side by side
    for (int i = 0; i < kLines; ++i) {
      const Stream one = AbsoluteColumn({50 + 2 * i, 40}, 1, kLine);
      row.insert(row.end(), one.begin(), one.end());
    }
    rig.Draw(row);
    ASSERT_TRUE(rig.pacer().trust().HoldStrokes());
    // The first line, lost, goes again held at once, which tells it lost;
    // lost again (this target needs its end held too), it goes once more.
    EXPECT_EQ(rig.pacer().stats().repaired, 2);
    // Every line whole: none lost to a release that came too soon, none
    // joined to the next.
    EXPECT_EQ(rig.target().Painted(), InkOf(row, {}, rig.target()));
    EXPECT_EQ(rig.pacer().stats().strays, 0);
    // Held until its press and its end were shown, each line would wait
    // for two frames; and each is read again once the target has drawn,
    // not on a timer.
    EXPECT_LT(rig.now() - PacingClock::TimePoint{}, kLines * frame * 3 / 2);
    EXPECT_LT(rig.pacer().stats().looks, 5 * kLines);
  }
}

// mutter now and then shows a line it has drawn only once it is drawn
// again: the line goes again after a dot's quiet time, not a stroke's,
// and it was not lost, so the lines after it are not held.
TEST(DeliveryPacerTest, ALineDrawnButNotShownIsNotLost) {
  const Stream column = AbsoluteColumn({50, 40}, 20, kLine);
  std::vector<PacingClock::Duration> took;
  // {0, 2}: the first two lines (the fake counts repairs), each overdue.
  for (const std::set<int>& unshown : {std::set<int>{}, {19}, {0, 2}}) {
    PacerRig rig;
    rig.target().fragile = false;
    rig.target().frame = milliseconds(16);
    rig.target().reports_changes = true;
    rig.target().unshown_lines = unshown;
    rig.Draw(column);
    took.push_back(rig.now() - PacingClock::TimePoint{});
    EXPECT_EQ(rig.target().Painted(), InkOf(column, {}, rig.target()));
    EXPECT_EQ(rig.pacer().stats().repaired, static_cast<int>(unshown.size()));
    EXPECT_FALSE(rig.pacer().trust().HoldStrokes());
  }
  EXPECT_LT(took[1] - took[0], 4 * PacingPolicy{}.repair_after);
}

// A browser under load: a second's stall sends lines again, not slowing the
// rest; 40 ms a line (over a dot's quiet time and the stall bound) goes once;
// the first line drawn a third of a second after its press, sent again, is
// not lost, and no line is held.
TEST(DeliveryPacerTest, LinesIntoABusyBrowserAreLateNotLost) {
  for (const int late : {0, 1, 2}) {
    SCOPED_TRACE(late);
    const bool stall = late == 0;
    PacerRig rig;
    rig.target().fragile = false;
    rig.target().event_time = milliseconds(1);
    rig.target().paint_latency = milliseconds(late == 1 ? 40 : 3);
    rig.target().stall_before_press = {{60, milliseconds(stall ? 1000 : 0)}};
    rig.target().late_lines = {{0, milliseconds(late == 2 ? 300 : 0)}};
    const Stream column = AbsoluteColumn({50, 20}, 110, 2);
    rig.Draw(column);
    EXPECT_EQ(rig.target().Painted(), InkOf(column, {}, rig.target()));
    EXPECT_EQ(rig.pacer().stats().repaired > 0, late != 1);
    EXPECT_FALSE(rig.pacer().trust().HoldStrokes());
    EXPECT_EQ(rig.pacer().stats().timed_out, 0);
    EXPECT_EQ(rig.pacer().trust().Pace().count(), 0);
    EXPECT_GT(rig.pacer().trust().Window(), 1);
  }
}

TEST(DeliveryPacerTest, RefusesToRunWithoutADesktop) {
  PacingClock::TimePoint time{};
  EXPECT_THROW(DeliveryPacer(nullptr, std::make_unique<FakeClock>(time)),
               PlatformError);
}

}  // namespace
}  // namespace scrivlet::testing
