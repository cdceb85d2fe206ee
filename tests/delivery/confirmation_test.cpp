#include "delivery/confirmation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace scrivlet {
namespace {

using std::chrono::milliseconds;
using Time = PacingClock::TimePoint;

constexpr COLORREF kPaper = 0xFFFFFF;
constexpr COLORREF kInk = 0x000000;
// A strip of paper five pixels wide; marks and ink name its columns.
constexpr ScreenRect kStrip{10, 10, 5, 1};
const PacingPolicy kPolicy;
const milliseconds kBound = milliseconds(100);

// Paper over `area`, inked at the columns `inked` of its first row.
ScreenImage Inked(const ScreenRect& area, const std::vector<int>& inked) {
  ScreenImage image = UnreadScreenImage(area);
  for (auto& pixel : image.pixels) {
    pixel = kPaper;
  }
  for (const int col : inked) {
    image.pixels[static_cast<std::size_t>(col)] = kInk;
  }
  return image;
}
ScreenImage Strip(const std::vector<int>& inked) {
  return Inked(kStrip, inked);
}

// A mark on the columns `cols` of the strip, of the batch's piece `piece`.
Mark MarkOn(const std::vector<int>& cols, std::size_t piece,
            MarkKind kind = MarkKind::kDot) {
  Mark mark{{}, kind, piece, {kBound, true}};
  for (const int col : cols) {
    mark.pixels.push_back({{kStrip.left + col, kStrip.top}, kPaper});
  }
  return mark;
}

struct Seen {
  std::vector<int> inked;
  milliseconds at;
};

struct ConfirmCase {
  std::string name;
  std::vector<Mark> marks{};
  std::vector<Seen> looks{};
  // What the last look decided.
  std::vector<std::size_t> shown{};
  int new_strays = 0;
  bool strays_beside_marks = false;
  std::vector<std::size_t> repair{};
  std::vector<std::size_t> given_up{};
  bool stroke_lost = false;
  bool stroke_overdue = false;
  std::optional<milliseconds> typical{};  // the target's time alone
  bool decide = true;                     // false: F8 seen
  std::vector<Mark> earlier{};            // given up in earlier batches
  // Columns the target has drawn that the screen does not show yet.
  std::vector<int> drawn{};
  bool taken_late = false;  // by a desktop that shows taken input late
  friend void PrintTo(const ConfirmCase& c, std::ostream* os) { *os << c.name; }
};

class ConfirmationTest : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(ConfirmationTest, DecidesFromEachLook) {
  const ConfirmCase& test = GetParam();
  Confirmation confirmation(test.marks, Strip({}), test.earlier, Time{});
  confirmation.set_taken_shows_late(test.taken_late);
  const auto drawn = [&](const Mark& mark) {
    return std::find(test.drawn.begin(), test.drawn.end(),
                     mark.lead().at.x - kStrip.left) != test.drawn.end();
  };
  LookVerdict verdict;
  for (const Seen& look : test.looks) {
    verdict = confirmation.Look(Strip(look.inked), Time{} + look.at, kPolicy,
                                test.typical, test.decide, {}, drawn);
  }
  EXPECT_EQ(verdict.shown, test.shown);
  EXPECT_EQ(verdict.new_strays, test.new_strays);
  EXPECT_EQ(verdict.strays_beside_marks, test.strays_beside_marks);
  EXPECT_EQ(verdict.repair, test.repair);
  EXPECT_EQ(verdict.given_up, test.given_up);
  EXPECT_EQ(verdict.stroke_lost, test.stroke_lost);
  EXPECT_EQ(verdict.stroke_overdue, test.stroke_overdue);
  // A dot the target drew goes again, but was not lost.
  const bool stroke = test.stroke_lost || test.stroke_overdue;
  const bool lost = !test.repair.empty() && !stroke && test.drawn.empty();
  EXPECT_EQ(verdict.dot_lost, lost);
  for (const std::size_t piece : verdict.repair) {
    confirmation.Repaired(piece, Time{} + test.looks.back().at);
  }
  if (!stroke) {
    EXPECT_EQ(confirmation.Outcome().lost_dots, lost ? 1 : 0);
  }
}

const milliseconds kFrame =
    std::chrono::duration_cast<milliseconds>(kPolicy.repair_after);

INSTANTIATE_TEST_SUITE_P(
    Looks, ConfirmationTest,
    ::testing::Values(
        ConfirmCase{
            .name = "AMarkShowsOnceAllItsPixelsDo",
            .marks = {MarkOn({0, 1}, 0)},
            .looks = {{{0}, milliseconds(1)}, {{0, 1}, milliseconds(2)}},
            .shown = {0}},
        ConfirmCase{
            .name = "OnlyNewInkElsewhereIsAStray",
            .marks = {MarkOn({0}, 0)},
            .looks = {{{3}, milliseconds(1)}, {{0, 3, 4}, milliseconds(2)}},
            .shown = {0},
            .new_strays = 1},
        ConfirmCase{.name = "InkBesideADotStraysFromIt",
                    .marks = {MarkOn({0}, 0)},
                    .looks = {{{0, 1}, milliseconds(1)}},
                    .shown = {0},
                    .new_strays = 1,
                    .strays_beside_marks = true},
        ConfirmCase{.name = "InkOfADotGivenUpEarlierIsNoStray",
                    .marks = {MarkOn({0}, 0)},
                    .looks = {{{4}, milliseconds(1)}},
                    .earlier = {MarkOn({4}, 0)}},
        // A frame after a later dot showed, the blank one was dropped.
        ConfirmCase{
            .name = "ADotBlankBehindOneShownIsSentAgain",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
            .looks = {{{1}, milliseconds(1)}, {{1}, milliseconds(1) + kFrame}},
            .repair = {0}},
        // Drawn, not yet shown: the compositor is given two frames.
        ConfirmCase{.name = "ADotDrawnButNotShownWaitsForTheFrame",
                    .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
                    .looks = {{{1}, milliseconds(1)},
                              {{1}, milliseconds(1) + kFrame},
                              {{1}, milliseconds(1) + 2 * kFrame}},
                    .drawn = {0}},
        ConfirmCase{.name = "ThenItGoesAgainNotAsLost",
                    .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
                    .looks = {{{1}, milliseconds(1)},
                              {{1}, milliseconds(1) + kFrame},
                              {{1}, milliseconds(1) + 3 * kFrame}},
                    .repair = {0},
                    .drawn = {0}},
        // Taken by a desktop whose screen shows it late, none after it
        // shown: waited for as if drawn, then lost.
        ConfirmCase{.name = "ADotTakenNotShownWaitsLikeADrawnOne",
                    .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
                    .looks = {{{0}, milliseconds(1)},
                              {{0}, milliseconds(1) + kFrame},
                              {{0}, milliseconds(1) + 2 * kFrame}},
                    .taken_late = true},
        ConfirmCase{.name = "ThenItGoesAgainAsLost",
                    .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
                    .looks = {{{0}, milliseconds(1)},
                              {{0}, milliseconds(1) + kFrame},
                              {{0}, milliseconds(1) + 3 * kFrame}},
                    .repair = {1},
                    .taken_late = true},
        ConfirmCase{
            .name = "ButBehindALaterDotShownAtOnce",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
            .looks = {{{1}, milliseconds(1)}, {{1}, milliseconds(1) + kFrame}},
            .repair = {0},
            .taken_late = true},
        ConfirmCase{
            .name = "NotWithinAFrameOfIt",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
            .looks = {{{1}, milliseconds(2)}, {{1}, milliseconds(1) + kFrame}}},
        ConfirmCase{
            .name = "AStrokeLostGoesAgainWithItsDot",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 0, MarkKind::kStroke),
                      MarkOn({2}, 1), MarkOn({3}, 1, MarkKind::kStroke)},
            .looks = {{{0, 2, 3}, milliseconds(1)},
                      {{0, 2, 3}, milliseconds(1) + kFrame}},
            .repair = {0},
            .stroke_lost = true},
        // A browser draws the stroke a frame after its dot, and after the
        // next line's dot.
        ConfirmCase{.name = "AStrokeBlankAFrameAfterItsDotIsWaitedFor",
                    .marks = {MarkOn({0}, 0), MarkOn({1}, 0, MarkKind::kStroke),
                              MarkOn({2}, 1)},
                    .looks = {{{0, 2}, milliseconds(1)},
                              {{0, 2}, milliseconds(1) + 3 * kFrame}}},
        // Blank long after its press, no later line shown: lost or late.
        ConfirmCase{
            .name = "AStrokeBlankLongAfterItsPressIsOverdue",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 0, MarkKind::kStroke)},
            .looks = {{{0}, milliseconds(1)},
                      {{0}, milliseconds(1) + 4 * kFrame}},
            .repair = {0},
            .stroke_overdue = true},
        // A stall, not a stroke lost: it goes again with its press.
        ConfirmCase{
            .name = "AStrokeWhosePressIsBlankIsNoStrokeLost",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 0, MarkKind::kStroke)},
            .looks = {{{}, milliseconds(40)}},
            .repair = {0},
            .typical = milliseconds(10)},
        ConfirmCase{
            .name = "NotAfterF8",
            .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
            .looks = {{{1}, milliseconds(1)}, {{1}, milliseconds(1) + kFrame}},
            .decide = false},
        // Alone and overdue by four times the target's usual time.
        ConfirmCase{.name = "ADotAloneOverdueIsSentAgain",
                    .marks = {MarkOn({0}, 0)},
                    .looks = {{{}, milliseconds(40)}},
                    .repair = {0},
                    .typical = milliseconds(10)},
        ConfirmCase{.name = "ADotUnseenForItsBoundIsGivenUp",
                    .marks = {MarkOn({0}, 0), MarkOn({1}, 1)},
                    .looks = {{{}, kBound}},
                    .given_up = {0, 1}}),
    [](const auto& instance) { return instance.param.name; });

// A line along a row 40 pixels long: which part of it is drawn again.
struct LineCase {
  std::string name;
  std::vector<std::pair<int, int>> inked;  // runs of columns inked at the look
  bool shown = false;                      // the line's stroke showed whole
  int new_strays = 0;
  std::optional<std::pair<int, int>> part{};  // columns drawn again
  friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class LineConfirmationTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineConfirmationTest, DrawsAgainOnlyWhatIsBlank) {
  const LineCase& test = GetParam();
  constexpr ScreenRect kRow{0, 5, 44, 1};
  const auto row = [&](const std::vector<int>& inked) {
    return Inked(kRow, inked);
  };
  const DotInk line{{0, 5}, ScreenPoint{39, 5}, true, false, {}};
  const std::vector<StreamPiece> batch{{{}, line, {}}};
  std::vector<Mark> marks = MarksOf(batch, row({}));
  ASSERT_EQ(marks.size(), 2U);  // the press, and the stroke's checks
  EXPECT_LE(marks[1].pixels.size(), 7U);
  for (Mark& mark : marks) {
    mark.wait = {kBound, true};
  }
  Confirmation confirmation(marks, row({}), {}, Time{});
  // The look after a first one that showed the press: four frames later.
  confirmation.Look(row({0}), Time{} + milliseconds(1), kPolicy, {}, true);
  std::vector<int> inked;
  for (const auto& [first, last] : test.inked) {
    for (int col = first; col <= last; ++col) inked.push_back(col);
  }
  const LookVerdict verdict = confirmation.Look(
      row(inked), Time{} + milliseconds(1) + 4 * kFrame, kPolicy, {}, true);
  EXPECT_EQ(confirmation.marks()[1].shown, test.shown);
  EXPECT_EQ(verdict.new_strays, test.new_strays);
  EXPECT_EQ(verdict.repair.size(), test.part ? 1U : 0U);
  if (test.part) {
    ASSERT_EQ(verdict.parts.size(), 1U);
    EXPECT_EQ(verdict.parts[0].second,
              (Segment{{test.part->first, 5}, {test.part->second, 5}}));
  } else {
    EXPECT_TRUE(verdict.parts.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineConfirmationTest,
    ::testing::Values(
        // Ink along all of it, none beside it: no stray.
        LineCase{"AWholeLineShows", {{0, 39}}, true},
        LineCase{"InkPastItsEndStrays", {{0, 41}}, true, 2},
        // The target stopped part way: from the first blank pixel on.
        LineCase{"ALostTailGoesAgain", {{0, 17}}, false, 0, std::pair{18, 39}},
        // A gap between two checked pixels.
        LineCase{"ALostMiddleGoesAgain",
                 {{0, 9}, {25, 39}},
                 false,
                 0,
                 std::pair{10, 24}},
        // One pixel blank between the press and the first check.
        LineCase{"ALostPixelGoesAgain",
                 {{0, 0}, {2, 39}},
                 false,
                 0,
                 std::pair{1, 1}},
        // Nothing but the press: the rest, not the press again.
        LineCase{"OnlyThePressShowed", {{0, 0}}, false, 0, std::pair{1, 39}}),
    [](const auto& instance) { return instance.param.name; });

TEST(ConfirmationTest, ABatchLandsWhenEveryMarkShowedAndNothingStrayed) {
  Confirmation clean({MarkOn({0}, 0), MarkOn({1}, 1)}, Strip({}), {}, Time{});
  clean.Look(Strip({0, 1}), Time{}, kPolicy, {}, true);
  EXPECT_FALSE(clean.Waiting());
  EXPECT_TRUE(clean.Outcome().landed);
  Confirmation strayed({MarkOn({0}, 0)}, Strip({}), {}, Time{});
  strayed.Look(Strip({0, 3}), Time{}, kPolicy, {}, true);
  EXPECT_FALSE(strayed.Waiting());
  EXPECT_FALSE(strayed.Outcome().landed);
  // One given up, unseen for its whole bound, did not land.
  Confirmation lost({MarkOn({0}, 0)}, Strip({}), {}, Time{});
  lost.Look(Strip({}), Time{} + kBound, kPolicy, {}, true);
  EXPECT_FALSE(lost.Outcome().landed);
  // One that cannot be sent again is not waited for, nor a loss.
  Confirmation out_of_reach({MarkOn({0}, 0), MarkOn({1}, 1)}, Strip({}), {},
                            Time{});
  out_of_reach.Look(Strip({1}), Time{}, kPolicy, {}, true);
  out_of_reach.CannotRepair(0);
  EXPECT_FALSE(out_of_reach.Waiting());
  EXPECT_TRUE(out_of_reach.Outcome().landed);
}

}  // namespace
}  // namespace scrivlet
