#include "delivery/delivery_trust.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

using std::chrono::milliseconds;

constexpr COLORREF kPaper = 0xFFFFFF;
constexpr COLORREF kInk = 0x000000;
constexpr COLORREF kGrey = 0x808080;

struct WindowCase {
  std::string name;
  std::function<void(DeliveryTrust&)> events;
  int window = 0;
  bool safe_pace = false;  // the pause after each dot is the safe pace
  friend void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }
};

class DeliveryWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(DeliveryWindowTest, FollowsWhatTheScreenShowed) {
  DeliveryPolicy policy;
  policy.max_window = 16;
  policy.max_window_as_events_come = 4;
  DeliveryTrust trust(policy);
  GetParam().events(trust);
  EXPECT_EQ(trust.Window(), GetParam().window);
  EXPECT_EQ(trust.Pace() == trust.SafePace(), GetParam().safe_pace);
}

// `dots` shown alone, each after `latency`.
void Alone(DeliveryTrust& trust, int dots, milliseconds latency) {
  for (int i = 0; i < dots; ++i) {
    trust.Shown(kPaper, kInk, latency, true);
  }
}

void Probe(DeliveryTrust& trust, milliseconds latency) {
  Alone(trust, trust.policy().probe_dots, latency);
}

void Batches(DeliveryTrust& trust, int batches) {
  for (int i = 0; i < batches; ++i) {
    trust.BatchLanded(trust.Window(), 0);
  }
}

void Clean(DeliveryTrust& trust, int batches) {
  Probe(trust, milliseconds(16));
  Batches(trust, batches);
}

// The short probe's dots, a frame late each, then two clean batches.
void ShortProbe(DeliveryTrust& trust) {
  Alone(trust, trust.policy().probe_dots_drawn_late, milliseconds(16));
  Batches(trust, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, DeliveryWindowTest,
    ::testing::Values(
        // Paints as events come (no compositor): a few dots at a time.
        WindowCase{"AFastTargetGetsASmallWindow",
                   [](DeliveryTrust& trust) {
                     Probe(trust, milliseconds(1));
                     Clean(trust, 6);
                   },
                   4},
        WindowCase{"AFastTargetLosingAClickAmongOthersGetsOneForGood",
                   [](DeliveryTrust& trust) {
                     Probe(trust, milliseconds(1));
                     trust.BatchLanded(1, 0);
                     trust.DotLost();
                     trust.BatchLanded(2, 1);
                     Clean(trust, 3);
                   },
                   1},
        // A compositor: the target drew a dot the screen showed later.
        WindowCase{"DrawnDotsShownLateNeedOnlyAShortProbe",
                   [](DeliveryTrust& trust) {
                     trust.DrawnBeforeShown();
                     ShortProbe(trust);
                   },
                   4},
        WindowCase{"ACompositorsDotShownJustBeforeAFrameIsNoFastTarget",
                   [](DeliveryTrust& trust) {
                     trust.DrawnBeforeShown();
                     Alone(trust, 1, milliseconds(1));
                     ShortProbe(trust);
                     trust.DotLost();
                     Batches(trust, 3);
                   },
                   16},
        // A browser shows its first dots late as well, and gets all of it.
        WindowCase{"DotsMerelyShownLateGetTheWholeProbe", ShortProbe, 1},
        WindowCase{"DoublesPerCleanBatchUpToTheMost",
                   [](DeliveryTrust& trust) { Clean(trust, 6); }, 16},
        // A batch cut short (the end of a drawing) proves nothing more.
        WindowCase{"AShortBatchDoesNotGrowIt",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 2);
                     trust.BatchLanded(1, 0);
                   },
                   4},
        // Repairs are cheap: a few lost dots do not stop the growth.
        WindowCase{"GrowsWithAQuarterLost",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.BatchLanded(8, 2);
                   },
                   16},
        WindowCase{"HalvesWhenMostAreLost",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.BatchLanded(8, 5);
                   },
                   4},
        WindowCase{"SlowsTheCleanPaceNoFurtherThanTheSafePace",
                   [](DeliveryTrust& trust) {
                     for (int i = 0; i < 20; ++i) {
                       trust.DotLost();
                     }
                   },
                   1, true},
        // A dot given up on that showed after all: the target was busy.
        WindowCase{"ADotShownLateGivesTheWindowBack",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.Missed(kPaper);
                     trust.ShownLate(kPaper);
                   },
                   8},
        WindowCase{"NotWhileAnotherIsStillMissing",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.Missed(kPaper);
                     trust.Missed(kPaper);
                     trust.ShownLate(kPaper);
                   },
                   1},
        // Ink apart from every dot: one at a time for a run, longer each time.
        WindowCase{"InkApartHoldsItForARunOnly",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.InkApart();
                     Batches(trust, trust.policy().calm_batches + 1);
                   },
                   4},
        WindowCase{"InkApartAgainNeedsTwiceTheRun",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.InkApart();
                     Batches(trust, trust.policy().calm_batches);
                     trust.InkApart();
                     Batches(trust, 2 * trust.policy().calm_batches - 1);
                   },
                   1, true},
        WindowCase{"ALineAfterInkApartStillKeepsItForGood",
                   [](DeliveryTrust& trust) {
                     trust.InkApart();
                     trust.InkStrayed();
                     Batches(trust, 2 * trust.policy().calm_batches);
                   },
                   1, true},
        // Overrun: one dot at a time, at the safe pace, for good.
        WindowCase{"StrayInkKeepsItToOneForGood",
                   [](DeliveryTrust& trust) {
                     Clean(trust, 3);
                     trust.InkStrayed();
                     Clean(trust, 3);
                     trust.NewDrawing();
                     Clean(trust, 3);
                   },
                   1, true}),
    [](const auto& instance) { return instance.param.name; });

// A stroke lost has its press held; one lost again, its end as well. One
// only overdue may be late: the second counts.
TEST(DeliveryTrustTest, StrokesLostHoldThePressThenTheEnd) {
  DeliveryTrust trust{DeliveryPolicy{}};
  trust.StrokeOverdue();
  EXPECT_FALSE(trust.HoldStrokes());
  trust.StrokeOverdue();
  EXPECT_TRUE(trust.HoldStrokes());
  EXPECT_FALSE(trust.HoldStrokeEnds());
  trust.StrokeLost();
  EXPECT_TRUE(trust.HoldStrokeEnds());
}

// Off the canvas, dots over the paper's colour never show: after a few
// misses in a row the rest are sent at the safe pace, and once it fell back
// one miss is enough until dots have shown for a while.
TEST(DeliveryTrustTest, OffTheCanvasFallsBackAfterMissesAndRegainsPatience) {
  const DeliveryPolicy policy;
  const int limit = policy.misses_before_safe_pace;
  const int regain = policy.dots_to_regain_patience;
  // Runs of dots shown (positive) or missed (negative); 0 a new drawing.
  const struct {
    const char* name;
    std::vector<int> runs;
    bool waits;  // the next dot over paper is waited for
  } cases[] = {
      {"misses below the limit are waited out", {-(limit - 1)}, true},
      {"falls back at the limit", {-limit}, false},
      {"a shown dot ends the run", {-(limit - 1), 1, -(limit - 1)}, true},
      {"once fallen back one miss is enough", {-limit, regain - 1, -1}, false},
      {"patience returns", {-limit, regain, -(limit - 1)}, true},
      {"only dots shown in a row count",
       {-limit, regain - 1, -1, 1, -1},
       false},
      {"a new drawing restores it", {-limit, 0, 1, -(limit - 1)}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeliveryTrust trust(policy);
    trust.Shown(kPaper, kInk, milliseconds(1), true);
    for (const int run : c.runs) {
      if (run == 0) {
        trust.NewDrawing();
      }
      for (int i = 0; i < run; ++i) {
        trust.Shown(kPaper, kInk, milliseconds(1), false);
      }
      for (int i = 0; i < -run; ++i) {
        trust.Missed(kPaper);
      }
    }
    EXPECT_EQ(trust.WaitFor(kPaper).expected, c.waits);
  }
}

TEST(DeliveryTrustTest, WaitsByWhatEachColourHasDone) {
  DeliveryTrust trust{DeliveryPolicy{}};
  const DeliveryPolicy& policy = trust.policy();
  // A colour not seen before: waited out, until a dot fails somewhere.
  EXPECT_EQ(trust.WaitFor(kPaper).bound, policy.stall_timeout);
  EXPECT_FALSE(trust.WaitFor(std::nullopt).expected);
  trust.Shown(kPaper, kInk, milliseconds(1), true);
  EXPECT_FALSE(trust.WaitFor(kInk).expected) << "ink over ink";
  trust.Missed(kGrey);
  EXPECT_FALSE(trust.WaitFor(kGrey).expected) << "never took ink";
  EXPECT_EQ(trust.WaitFor(0x123456).bound, policy.confirm_timeout);
  EXPECT_EQ(trust.WaitFor(kPaper).bound, policy.stall_timeout);
  trust.Missed(kPaper);
  EXPECT_EQ(trust.WaitFor(kPaper).bound, policy.confirm_timeout);
  trust.NewDrawing();
  EXPECT_EQ(trust.WaitFor(kPaper).bound, policy.stall_timeout);
  EXPECT_FALSE(trust.WaitFor(kGrey).expected) << "stays suspect";
  trust.ShownLate(kGrey);
  EXPECT_EQ(trust.WaitFor(kGrey).bound, policy.stall_timeout);
}

TEST(DeliveryTrustTest, SafePaceIsTwiceTheTargetsOwnTimeAlone) {
  DeliveryTrust trust{DeliveryPolicy{}};
  trust.Shown(kPaper, kInk, milliseconds(10), true);
  EXPECT_EQ(trust.SafePace(), milliseconds(20));
  // Latency in a batch is the batch's, not the target's.
  trust.Shown(kPaper, kInk, milliseconds(90), false);
  EXPECT_EQ(trust.SafePace(), milliseconds(20));
}

}  // namespace
}  // namespace scrivlet
