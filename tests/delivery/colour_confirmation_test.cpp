// Confirmation in the target's own inks: a dot lands when it shows its ink,
// and one in another ink (a lost swatch click) is drawn again after the
// swatch is clicked again; nothing after F8.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "delivery/confirmation.h"
#include "fake_paint_target.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;

TEST(ColourConfirmation, ALookJudgesTheInkAPixelShows) {
  struct Case {
    std::string name;
    COLORREF now;
    bool decide;
    bool shown;
    bool repaired;
  };
  const Case cases[] = {
      {"its ink, a few steps off", 0x0808F4, true, true, false},
      {"another ink after F8: left alone", kBlue, false, false, false},
  };
  const ScreenRect rect{5, 5, 1, 1};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScreenImage before = UnreadScreenImage(rect);
    before.pixels[0] = kPaper;
    ScreenImage now = before;
    now.pixels[0] = c.now;
    Mark mark{{{{5, 5}, kPaper, kRed}},
              MarkKind::kDot,
              0,
              {std::chrono::milliseconds(100), true}};
    Confirmation confirmation({mark}, before, {}, PacingClock::TimePoint{});
    const LookVerdict verdict = confirmation.Look(
        now, PacingClock::TimePoint{} + std::chrono::milliseconds(1), {},
        std::nullopt, c.decide);
    EXPECT_EQ(!verdict.shown.empty(), c.shown);
    EXPECT_EQ(!verdict.repair.empty(), c.repaired);
    EXPECT_EQ(verdict.wrong_ink, c.repaired);
  }
}

struct InkRun {
  ScreenPoint swatch;
  COLORREF colour;
  std::vector<ScreenPoint> dots;
};

// A drawing in two inks as the colour plotter sends it: InkChosen, the
// swatch click, the ink's dots, each a click.
void Draw(PacerRig& rig, const std::vector<InkRun>& runs) {
  rig.pacer().DrawingStarted();
  for (const InkRun& run : runs) {
    rig.pacer().InkChosen(run.swatch, run.colour);
    rig.Send(AbsoluteColumn(run.swatch, 1));
    for (const ScreenPoint& dot : run.dots) rig.Send(AbsoluteColumn(dot, 1));
  }
  rig.pacer().DrawingEnded();
}

struct DrawingCase {
  std::string name;
  std::function<void(FakePaintTarget&)> setup;
  int swatch_clicks;     // the two, and those sent again
  bool some_wrong;       // dots were seen in another ink
  int max_batches = 80;  // more: kept to one dot at a time
};

TEST(ColourConfirmation, EveryDotEndsInItsOwnInk) {
  const DrawingCase cases[] = {
      {"swatch clicks taken", [](FakePaintTarget&) {}, 2, false},
      // The first dot shows the target's black: the swatch goes again.
      {"the first swatch click lost",
       [](FakePaintTarget& t) { t.lost_swatch_clicks = {0}; }, 3, true},
      {"the second lost, and once more",
       [](FakePaintTarget& t) {
         t.lost_swatch_clicks = {1, 2};
       },
       4, true},
      {"a compositor's frames, the second lost",
       [](FakePaintTarget& t) {
         t.frame = microseconds(8000);
         t.lost_swatch_clicks = {1};
       },
       3, true},
      // A press right after the swatch's is lost, as a browser loses it:
      // a dot sent alone, which says nothing of dots sent together.
      {"a browser's frames, dropping close presses",
       [](FakePaintTarget& t) {
         t.frame = microseconds(8000);
         t.drop_within = microseconds(1000);
       },
       2, false},
  };
  std::vector<ScreenPoint> red_dots;
  std::vector<ScreenPoint> blue_dots;
  for (int i = 0; i < 40; ++i) {
    red_dots.push_back({20 + 2 * (i % 10), 20 + 2 * (i / 10)});
    blue_dots.push_back({60 + 2 * (i % 10), 20 + 2 * (i / 10)});
  }
  const std::vector<InkRun> runs = {{{600, 5}, kRed, red_dots},
                                    {{600, 25}, kBlue, blue_dots}};
  for (const DrawingCase& c : cases) {
    SCOPED_TRACE(c.name);
    PacerRig rig;
    FakePaintTarget& screen = rig.target();
    screen.swatches = {{{595, 0, 10, 10}, kRed}, {{595, 20, 10, 10}, kBlue}};
    c.setup(screen);
    Draw(rig, runs);
    rig.Settle();
    const PacingStats& stats = rig.pacer().stats();
    for (const InkRun& run : runs) {
      for (const ScreenPoint& dot : run.dots) {
        ASSERT_EQ(screen.ReadScreenPixel(dot), run.colour)
            << dot.x << "," << dot.y;
      }
    }
    EXPECT_EQ(screen.Painted().size(), red_dots.size() + blue_dots.size());
    EXPECT_EQ(stats.swatch_clicks, c.swatch_clicks);
    EXPECT_EQ(stats.wrong_ink > 0, c.some_wrong);
    EXPECT_EQ(stats.timed_out, 0);
    EXPECT_LE(stats.batches, c.max_batches);
  }
}

TEST(ColourConfirmation, NothingIsDrawnAgainAfterF8) {
  PacerRig rig;
  FakePaintTarget& screen = rig.target();
  screen.swatches = {{{595, 0, 10, 10}, kRed}};
  screen.lost_swatch_clicks = {0};
  // F8 goes down while the first dot, in the wrong ink, is awaited.
  screen.paint_latency = milliseconds(30);
  screen.abort_key_words = {0};
  screen.abort_key_words.resize(100, kKeyDown);
  Draw(rig, {{{600, 5}, kRed, {{20, 20}, {22, 20}}}});
  rig.Settle();
  EXPECT_EQ(rig.pacer().stats().swatch_clicks, 1);
  EXPECT_EQ(rig.pacer().stats().repaired, 0);
  EXPECT_EQ(screen.Painted().size(), 1U);  // in black, and left so
  EXPECT_NE(screen.ReadScreenPixel({20, 20}), kRed);
}

// A swatch that selects another colour than the one registered for it
// never gives its ink: the drawing must not pass for complete.
TEST(ColourConfirmation, AnInkThatNeverShowsIsNotLanded) {
  PacerRig rig;
  rig.target().swatches = {{{595, 0, 10, 10}, kBlue}};
  Draw(rig, {{{600, 5}, kRed, {{20, 20}, {22, 20}, {24, 20}}}});
  EXPECT_GT(rig.pacer().DotsNotLanded(), 0);
  EXPECT_EQ(rig.pacer().stats().wrong_ink, 1);
}

}  // namespace
}  // namespace scrivlet::testing
