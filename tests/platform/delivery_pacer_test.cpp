#include "platform/delivery_pacer.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <map>
#include <memory>
#include <ostream>
#include <string>
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

struct Event {
  std::uint32_t flags;
  std::int32_t dx;
  std::int32_t dy;
};

std::vector<Event> AbsoluteDot(ScreenPoint at) {
  const std::int32_t x = Normalised(at.x, FakePaintTarget::kBounds.width);
  const std::int32_t y = Normalised(at.y, FakePaintTarget::kBounds.height);
  return {{kAbsMove, x, y}, {kAbsDown, x, y}, {kAbsUp, x, y}};
}

std::vector<Event> AbsoluteDots(const std::vector<ScreenPoint>& dots) {
  std::vector<Event> events;
  for (const ScreenPoint& at : dots) {
    const std::vector<Event> dot = AbsoluteDot(at);
    events.insert(events.end(), dot.begin(), dot.end());
  }
  return events;
}

// The engine's stream for absolute dots with drag input: one unit down.
std::vector<Event> AbsoluteDragDots(const std::vector<ScreenPoint>& dots) {
  std::vector<Event> events;
  for (const ScreenPoint& at : dots) {
    std::vector<Event> dot = AbsoluteDot(at);
    dot.back().dy += 1;
    dot.insert(dot.begin() + 2, {kAbsMove, dot[0].dx, dot[0].dy + 1});
    events.insert(events.end(), dot.begin(), dot.end());
  }
  return events;
}

// The relative plotter's stream with drag input: `count` dots `step`
// pixels apart down a column, each pressed, dragged one pixel down,
// released, moved back and released again.
std::vector<Event> RelativeDragColumn(int count, std::int32_t step) {
  std::vector<Event> events;
  for (int i = 0; i < count; ++i) {
    events.insert(events.end(), {{MOUSEEVENTF_MOVE, 0, step},
                                 {MOUSEEVENTF_LEFTDOWN, 0, 0},
                                 {MOUSEEVENTF_MOVE, 0, 1},
                                 {MOUSEEVENTF_LEFTUP, 0, 0},
                                 {MOUSEEVENTF_MOVE, 0, -1},
                                 {MOUSEEVENTF_LEFTUP, 0, 0}});
  }
  return events;
}

std::vector<ScreenPoint> Row(std::int32_t x0, std::int32_t y, int count) {
  std::vector<ScreenPoint> dots;
  dots.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    dots.push_back({x0 + 2 * i, y});
  }
  return dots;
}

// The pause after dot `dot` of an absolute stream (a move, a press and a
// release per dot): from its release to the next event.
PacingClock::Duration PauseAfterDot(const std::vector<SentEvent>& sent,
                                    std::size_t dot) {
  const std::size_t up = 3 * dot + 2;
  return sent.at(up + 1).at - sent.at(up).at;
}

// The pacer in front of a fake paint target, both on one fake clock.
class PacerRig {
 public:
  explicit PacerRig(PacingPolicy policy = {}) : policy_(policy) {
    auto target = std::make_unique<FakePaintTarget>(time_);
    target_ = target.get();
    pacer_ = std::make_unique<DeliveryPacer>(
        std::move(target), std::make_unique<FakeClock>(time_), policy);
  }

  void Send(const std::vector<Event>& events) {
    for (const Event& event : events) {
      pacer_->mouse_event(event.flags, event.dx, event.dy);
    }
  }
  // A last move, so that the pacer settles the final dot.
  void SettleLastDot() { pacer_->mouse_event(kAbsMove, 0, 0); }
  // The draw trigger's poll between two drawings.
  void NextDrawing() { (void)pacer_->GetAsyncKeyState(VK_F7); }

  FakePaintTarget& target() { return *target_; }
  DeliveryPacer& pacer() { return *pacer_; }
  const PacingPolicy& policy() const { return policy_; }

 private:
  PacingPolicy policy_;
  FakeTime time_;
  FakePaintTarget* target_ = nullptr;
  std::unique_ptr<DeliveryPacer> pacer_;
};

struct StreamCase {
  std::string name;
  std::vector<Event> events;
  friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

class PacerStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(PacerStreamTest, PassesEveryEventOnUnchangedAndInOrder) {
  PacerRig rig;
  rig.Send(GetParam().events);
  const std::vector<SentEvent>& sent = rig.target().events();
  ASSERT_EQ(sent.size(), GetParam().events.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    SCOPED_TRACE("event " + std::to_string(i));
    EXPECT_EQ(sent[i].flags, GetParam().events[i].flags);
    EXPECT_EQ(sent[i].dx, GetParam().events[i].dx);
    EXPECT_EQ(sent[i].dy, GetParam().events[i].dy);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EngineStreams, PacerStreamTest,
    ::testing::Values(StreamCase{"AbsoluteDots", AbsoluteDots(Row(10, 10, 5))},
                      StreamCase{"AbsoluteDrag",
                                 {{kAbsMove, 1024, 2048},
                                  {kAbsDown, 1024, 2048},
                                  {kAbsMove, 1024, 2049},
                                  {kAbsUp, 1024, 2049},
                                  {kAbsMove, 1126, 2048},
                                  {kAbsDown, 1126, 2048},
                                  {kAbsMove, 1126, 2049},
                                  {kAbsUp, 1126, 2049}}},
                      StreamCase{"RelativeDragReleasesTwice",
                                 {{MOUSEEVENTF_MOVE, 0, 2},
                                  {MOUSEEVENTF_LEFTDOWN, 0, 0},
                                  {MOUSEEVENTF_MOVE, 0, 1},
                                  {MOUSEEVENTF_LEFTUP, 0, 0},
                                  {MOUSEEVENTF_MOVE, 0, -1},
                                  {MOUSEEVENTF_LEFTUP, 0, 0},
                                  {MOUSEEVENTF_MOVE, 2, -2}}},
                      StreamCase{"ReleaseWithoutPress",
                                 {{MOUSEEVENTF_LEFTUP, 0, 0},
                                  {MOUSEEVENTF_MOVE, 3, 4}}}),
    [](const auto& instance) { return instance.param.name; });

TEST(DeliveryPacerTest, HoldsEachDotUntilItShowsThenSendsTheNextAtOnce) {
  PacerRig rig;
  const std::vector<ScreenPoint> dots = Row(10, 10, 8);
  rig.Send(AbsoluteDots(dots));
  rig.SettleLastDot();

  const std::vector<SentEvent>& sent = rig.target().events();
  for (std::size_t i = 0; i < dots.size(); ++i) {
    SCOPED_TRACE("dot " + std::to_string(i));
    const auto painted = rig.target().PaintedAt(dots[i]);
    ASSERT_TRUE(painted.has_value());
    // The event after the dot's release is the move to the next dot.
    const SentEvent& next = sent.at(3 * i + 3);
    EXPECT_GE(next.at, *painted);
    EXPECT_LE(next.at, *painted + rig.policy().poll_interval);
  }
  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.dots, 8);
  EXPECT_EQ(stats.confirmed, 8);
  EXPECT_EQ(stats.timed_out, 0);
}

TEST(DeliveryPacerTest, FindsRelativeDotsWhereThePointerIs) {
  PacerRig rig;
  rig.target().relative_gain = 2;  // an accelerated pointer
  rig.Send({{kAbsMove, Normalised(50, 640), Normalised(50, 480)}});
  for (int i = 0; i < 4; ++i) {
    rig.Send({{MOUSEEVENTF_MOVE, 0, 2},
              {MOUSEEVENTF_LEFTDOWN, 0, 0},
              {MOUSEEVENTF_LEFTUP, 0, 0}});
  }
  rig.Send({{MOUSEEVENTF_MOVE, 2, -8}});
  for (int i = 1; i <= 4; ++i) {
    EXPECT_TRUE(rig.target().PaintedAt({50, 50 + 4 * i}).has_value());
  }
  EXPECT_EQ(rig.pacer().stats().confirmed, 4);
}

TEST(DeliveryPacerTest, ReadsTheColourAfterAMoveSentWithThePress) {
  PacerRig rig;
  const std::int32_t x = Normalised(30, 640);
  const std::int32_t y = Normalised(40, 480);
  rig.Send({{kAbsMove | MOUSEEVENTF_LEFTDOWN, x, y}, {kAbsUp, x, y}});
  rig.SettleLastDot();

  const std::vector<SentEvent>& sent = rig.target().events();
  ASSERT_GE(sent.size(), 2U);
  EXPECT_EQ(sent[0].flags, kAbsMove);
  EXPECT_EQ(sent[1].flags, kAbsDown);
  EXPECT_EQ(rig.pacer().stats().confirmed, 1);
}

struct BlindCase {
  std::string name;
  bool dots_show;
  bool screen_readable;
  int dots;
  int timed_out;
  friend void PrintTo(const BlindCase& c, std::ostream* os) { *os << c.name; }
};

class PacerBlindTest : public ::testing::TestWithParam<BlindCase> {};

// Without dots to see, the dots not given the stall bound are sent at the
// safe pace, and every dot gets at least the safe pause.
TEST_P(PacerBlindTest, KeepsToTheSafePace) {
  const BlindCase& blind = GetParam();
  PacerRig rig;
  if (!blind.dots_show) {
    rig.target().paint_latency.reset();
  }
  rig.target().readable = blind.screen_readable;
  rig.Send(AbsoluteDots(Row(10, 10, blind.dots)));
  rig.SettleLastDot();

  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.confirmed, 0);
  EXPECT_EQ(stats.timed_out, blind.timed_out);
  EXPECT_EQ(stats.safe_paced, blind.dots - blind.timed_out);
  for (std::size_t dot = 0; dot < static_cast<std::size_t>(blind.dots); ++dot) {
    EXPECT_GE(PauseAfterDot(rig.target().events(), dot),
              rig.policy().safe_pace);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Blind, PacerBlindTest,
    ::testing::Values(
        // The first dot is given the stall bound; once it has not shown,
        // dots on that colour are not expected to.
        BlindCase{"DotsNeverShow", false, true, 20, 1},
        BlindCase{"ScreenCannotBeRead", true, false, 4, 0}),
    [](const auto& instance) { return instance.param.name; });

TEST(DeliveryPacerTest, TrustsTheTargetAgainOnceDotsShow) {
  PacerRig rig;
  rig.target().canvas_from_x = 100;
  std::vector<ScreenPoint> dots = Row(60, 10, 6);  // off the canvas
  const std::vector<ScreenPoint> on_canvas = Row(100, 10, 5);
  dots.insert(dots.end(), on_canvas.begin(), on_canvas.end());
  rig.Send(AbsoluteDots(dots));
  rig.SettleLastDot();

  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.timed_out, 1);
  EXPECT_EQ(stats.safe_paced, 5);
  EXPECT_EQ(stats.confirmed, 5);
  EXPECT_EQ(rig.target().lost(), 0);
}

struct OffCanvasCase {
  std::string name;
  COLORREF surround;
  int dots_to_regain_patience;
  int timed_out;  // of the two runs of dots off the canvas
  friend void PrintTo(const OffCanvasCase& c, std::ostream* os) {
    *os << c.name;
  }
};

class PacerOffCanvasTest : public ::testing::TestWithParam<OffCanvasCase> {};

// Columns that run off the canvas. Around it in another colour, one dot
// that never shows marks that colour; around it in the paper's colour, after
// the first fall-back a single miss is enough, until the target has shown
// enough dots to earn patience again.
TEST_P(PacerOffCanvasTest, FallsBackSoonerOnceBitten) {
  PacingPolicy policy;
  policy.dots_to_regain_patience = GetParam().dots_to_regain_patience;
  PacerRig rig(policy);
  rig.target().canvas_from_x = 100;
  rig.target().surround = GetParam().surround;
  for (int column = 0; column < 2; ++column) {
    rig.Send(AbsoluteDots(Row(100 + 2 * column, 10 + 2 * column, 5)));
    rig.Send(AbsoluteDots(Row(50, 10 + 2 * column, 4)));
  }
  rig.SettleLastDot();

  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.confirmed, 10);
  EXPECT_EQ(stats.timed_out, GetParam().timed_out);
  EXPECT_EQ(stats.safe_paced, 8 - GetParam().timed_out);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, PacerOffCanvasTest,
    ::testing::Values(OffCanvasCase{"GreyAroundTheCanvas", kGrey, 100, 1},
                      OffCanvasCase{"OneMissAfterAFallBack", kPaper, 100,
                                    3 + 1},
                      OffCanvasCase{"PatienceRegained", kPaper, 5, 3 + 3}),
    [](const auto& instance) { return instance.param.name; });

struct LandingCase {
  std::string name;
  std::vector<Event> events;
  std::vector<ScreenPoint> marks;  // every dot and stroke that must show
  std::map<int, microseconds> stall_before_press;
  microseconds latency;
  int strokes;
  int late;
  friend void PrintTo(const LandingCase& c, std::ostream* os) { *os << c.name; }
};

class PacerLandingTest : public ::testing::TestWithParam<LandingCase> {};

// A target that stalls or repaints slowly, into which nothing may be sent
// until it has painted: it loses what comes while it is busy.
TEST_P(PacerLandingTest,
       EveryDotAndStrokeLandsAndNothingIsSentIntoABusyTarget) {
  const LandingCase& test = GetParam();
  PacerRig rig;
  rig.target().paint_latency = test.latency;
  rig.target().stall_before_press = test.stall_before_press;
  rig.Send({{kAbsMove, Normalised(50, 640), Normalised(50, 480)}});
  rig.Send(test.events);
  rig.SettleLastDot();

  for (const ScreenPoint& at : test.marks) {
    EXPECT_TRUE(rig.target().PaintedAt(at).has_value())
        << "(" << at.x << "," << at.y << ") never painted";
  }
  EXPECT_EQ(rig.target().lost(), 0);
  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.strokes, test.strokes);
  EXPECT_EQ(stats.late, test.late);
  EXPECT_EQ(stats.timed_out, 0);
  EXPECT_EQ(stats.confirmed, static_cast<int>(test.marks.size()));
}

std::vector<ScreenPoint> DotsAndStrokesBelow(std::int32_t x, std::int32_t y0,
                                             int count, std::int32_t step) {
  std::vector<ScreenPoint> marks;
  for (int i = 1; i <= count; ++i) {
    marks.push_back({x, y0 + i * step});
    marks.push_back({x, y0 + i * step + 1});
  }
  return marks;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PacerLandingTest,
    ::testing::Values(LandingCase{"StallMidDrawingIsWaitedOut",
                                  AbsoluteDots(Row(60, 60, 8)),
                                  Row(60, 60, 8),
                                  {{4, milliseconds(800)}},
                                  microseconds(800),
                                  0,
                                  1},
                      LandingCase{"StallAtTheFirstDotIsWaitedOut",
                                  AbsoluteDots(Row(60, 60, 4)),
                                  Row(60, 60, 4),
                                  {{0, milliseconds(800)}},
                                  microseconds(800),
                                  0,
                                  1},
                      LandingCase{"SlowRepaintOfEveryDot",
                                  AbsoluteDots(Row(60, 60, 5)),
                                  Row(60, 60, 5),
                                  {},
                                  milliseconds(150),
                                  0,
                                  5},
                      LandingCase{"AbsoluteDragStaysOnTheDotsPixel",
                                  AbsoluteDragDots(Row(60, 60, 4)),
                                  Row(60, 60, 4),
                                  {},
                                  microseconds(800),
                                  0,
                                  0},
                      LandingCase{"RelativeDragStrokesLand",
                                  RelativeDragColumn(5, 3),
                                  DotsAndStrokesBelow(50, 50, 5, 3),
                                  {},
                                  microseconds(800),
                                  5,
                                  0},
                      LandingCase{"StallAtARelativeDragIsWaitedOut",
                                  RelativeDragColumn(5, 3),
                                  DotsAndStrokesBelow(50, 50, 5, 3),
                                  {{2, milliseconds(800)}},
                                  microseconds(800),
                                  5,
                                  1}),
    [](const auto& instance) { return instance.param.name; });

// A stall longer than the bound costs trust in the paper's colour; the dot
// that shows after all wins it back, so the next stall is waited out too.
TEST(DeliveryPacerTest, ADotThatShowsAfterAllRestoresTrust) {
  PacerRig rig;
  rig.target().fragile = false;
  rig.target().stall_before_press = {{2, milliseconds(2050)},
                                     {8, milliseconds(500)}};
  rig.Send(AbsoluteDots(Row(60, 60, 10)));
  rig.SettleLastDot();

  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.timed_out, 1);
  EXPECT_EQ(stats.late, 1);
  EXPECT_EQ(stats.confirmed, 9);
}

TEST(DeliveryPacerTest, HeldF8EndsAWaitForAStalledTarget) {
  PacerRig rig;
  rig.target().fragile = false;
  rig.target().stall_before_press = {{2, milliseconds(1000)}};
  // One look per dot, then looks every 10 ms while the third dot is
  // awaited: F8 goes down during the stall.
  rig.target().abort_key_words = {0x0000, 0x0000, 0x0000, 0x0000, 0x8001};
  rig.Send(AbsoluteDots(Row(60, 60, 4)));

  EXPECT_LE(PauseAfterDot(rig.target().events(), 2),
            2 * rig.policy().abort_check_interval + rig.policy().poll_interval);
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8), 0x0001);
}

struct NextDrawingCase {
  std::string name;
  COLORREF surround;
  int timed_out;  // of both drawings' dots off the canvas
  friend void PrintTo(const NextDrawingCase& c, std::ostream* os) {
    *os << c.name;
  }
};

class PacerNextDrawingTest : public ::testing::TestWithParam<NextDrawingCase> {
};

// Dots off the canvas in one drawing do not make the next drawing send into
// a stalled target; a surround that never took ink stays suspect.
TEST_P(PacerNextDrawingTest, WaitsOutAStallAfterADrawingRanOffTheCanvas) {
  PacerRig rig;
  rig.target().canvas_from_x = 100;
  rig.target().surround = GetParam().surround;
  rig.target().stall_before_press = {{7, milliseconds(800)}};
  for (int drawing = 0; drawing < 2; ++drawing) {
    rig.NextDrawing();
    rig.Send(AbsoluteDots(Row(100, 10 + 10 * drawing, 3)));
    rig.Send(AbsoluteDots(Row(50, 12 + 10 * drawing, 3)));
    rig.SettleLastDot();
  }

  for (const ScreenPoint& at : Row(100, 20, 3)) {
    EXPECT_TRUE(rig.target().PaintedAt(at).has_value());
  }
  EXPECT_EQ(rig.target().lost(), 0);
  EXPECT_EQ(rig.pacer().stats().late, 1);
  EXPECT_EQ(rig.pacer().stats().timed_out, GetParam().timed_out);
}

INSTANTIATE_TEST_SUITE_P(
    Surrounds, PacerNextDrawingTest,
    ::testing::Values(NextDrawingCase{"Grey", kGrey, 1},
                      NextDrawingCase{"PaperColoured", kPaper, 3 + 3}),
    [](const auto& instance) { return instance.param.name; });

TEST(DeliveryPacerTest, InkOverInkIsPacedWithoutLosingTrust) {
  PacerRig rig;
  const std::vector<ScreenPoint> inked = Row(20, 30, 5);
  for (const ScreenPoint& at : inked) {
    rig.target().InkAt(at);
  }
  rig.Send(AbsoluteDot({10, 30}));  // on paper: shows the ink colour
  rig.Send(AbsoluteDots(inked));
  // A slow dot on paper after the ink-over-ink run is still waited for.
  rig.target().paint_latency = milliseconds(20);
  rig.Send(AbsoluteDot({40, 30}));
  rig.SettleLastDot();

  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.confirmed, 2);
  EXPECT_EQ(stats.safe_paced, 5);
  EXPECT_EQ(stats.timed_out, 0);
}

struct SafePaceCase {
  std::string name;
  microseconds target_latency;
  microseconds least_pause;  // after a dot that cannot be seen
  friend void PrintTo(const SafePaceCase& c, std::ostream* os) {
    *os << c.name;
  }
};

class PacerSafePaceTest : public ::testing::TestWithParam<SafePaceCase> {};

TEST_P(PacerSafePaceTest, InvisibleDotsGetTwiceTheTargetsOwnTime) {
  PacerRig rig;
  rig.target().paint_latency = GetParam().target_latency;
  const std::vector<ScreenPoint> inked = Row(20, 30, 3);
  for (const ScreenPoint& at : inked) {
    rig.target().InkAt(at);
  }
  rig.Send(AbsoluteDots(Row(20, 10, 4)));  // seen: the target's own time
  rig.Send(AbsoluteDots(inked));
  rig.SettleLastDot();

  ASSERT_EQ(rig.pacer().stats().safe_paced, 3);
  for (std::size_t dot = 4; dot < 4 + 3; ++dot) {  // the inked dots
    const auto pause = PauseAfterDot(rig.target().events(), dot);
    EXPECT_GE(pause, GetParam().least_pause);
    // The target's time is learnt to within the polling step: a sixteenth.
    EXPECT_LE(pause,
              GetParam().least_pause * 9 / 8 + rig.policy().poll_interval);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PacerSafePaceTest,
    ::testing::Values(SafePaceCase{"FastTargetGetsTheFloor", microseconds(500),
                                   milliseconds(3)},
                      SafePaceCase{"SlowTargetGetsTwiceItsTime",
                                   microseconds(4000), microseconds(8000)},
                      SafePaceCase{"StalledTargetIsCappedAtTheTimeout",
                                   milliseconds(70), milliseconds(100)}),
    [](const auto& instance) { return instance.param.name; });

struct AbortCase {
  std::string name;
  std::vector<std::uint16_t> words;  // F8 as the backend reports it
  std::uint16_t engine_sees;         // the engine's next F8 query
  friend void PrintTo(const AbortCase& c, std::ostream* os) { *os << c.name; }
};

class PacerAbortKeyTest : public ::testing::TestWithParam<AbortCase> {};

TEST_P(PacerAbortKeyTest, HandsOnTheF8PressItSawWhileWaiting) {
  PacerRig rig;
  rig.target().abort_key_words = GetParam().words;
  rig.Send(AbsoluteDots(Row(10, 10, 2)));  // one wait: one F8 look
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8), GetParam().engine_sees);
  // The handed-on press is reported once only.
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8) & kKeyPressedSinceLastQuery, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Presses, PacerAbortKeyTest,
    ::testing::Values(AbortCase{"TapBetweenQueries", {0x0001, 0x0000}, 0x0001},
                      AbortCase{"PressStillHeld", {0x8001, 0x8000}, 0x8001},
                      AbortCase{"HeldFromBefore", {0x8000, 0x8000}, 0x8000},
                      AbortCase{"Untouched", {0x0000, 0x0000}, 0x0000}),
    [](const auto& instance) { return instance.param.name; });

TEST(DeliveryPacerTest, OtherKeysPassThrough) {
  PacerRig rig;
  rig.target().abort_key_words = {0x8001};
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F7), 0);
  EXPECT_EQ(rig.pacer().GetAsyncKeyState(VK_F8), 0x8001);
}

TEST(DeliveryPacerTest, HeldF8CutsWaitsToTheFloorPaceEvenForASlowTarget) {
  PacerRig rig;
  rig.target().paint_latency = milliseconds(8);
  // An abort trades the column's last dots for a quick stop.
  rig.target().fragile = false;
  // Two dots show at the target's slow pace, F8 is held over the next
  // three, then released.
  rig.target().abort_key_words = {0x0000, 0x0000, 0x8001, 0x8000, 0x8000};
  rig.Send(AbsoluteDots(Row(10, 10, 6)));
  rig.SettleLastDot();

  const PacingStats& stats = rig.pacer().stats();
  EXPECT_EQ(stats.confirmed, 3);
  EXPECT_EQ(stats.safe_paced, 3);
  EXPECT_EQ(stats.timed_out, 0);
  for (std::size_t dot = 2; dot < 5; ++dot) {
    EXPECT_LE(PauseAfterDot(rig.target().events(), dot),
              rig.policy().safe_pace + rig.policy().poll_interval);
  }
}

TEST(DeliveryPacerTest, RefusesToRunWithoutADesktop) {
  FakeTime time;
  EXPECT_THROW(DeliveryPacer(nullptr, std::make_unique<FakeClock>(time)),
               PlatformError);
}

}  // namespace
}  // namespace scrivlet::testing
