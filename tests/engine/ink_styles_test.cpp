// The stroke planner and the ditherers on small grids worked out by hand.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "engine/ditherer.h"
#include "engine/stroke_planner.h"
#include "mouse_events.h"

namespace scrivlet::testing {
namespace {

// '#' ink, '.' paper; one string per row.
InkGrid Ink(const std::vector<std::string>& rows) {
  InkGrid grid{rows.empty() ? 0 : static_cast<int>(rows[0].size()),
               static_cast<int>(rows.size()),
               {}};
  for (const std::string& row : rows) {
    for (const char c : row) grid.ink.push_back(c == '#' ? 1 : 0);
  }
  return grid;
}

Stroke S(int c0, int r0, int c1, int r1) { return {{c0, r0}, {c1, r1}}; }

TEST(PlanStrokes, OneStrokePerRunAlongTheAxisWithFewerRuns) {
  struct Case {
    const char* name;
    std::vector<std::string> rows;
    StrokeAxis axis;
    std::vector<Stroke> strokes;
  };
  const Case cases[] = {
      {"empty grid", {}, StrokeAxis::Columns, {}},
      {"all paper", {"...", "..."}, StrokeAxis::Columns, {}},
      {"single dot", {"..", ".#"}, StrokeAxis::Columns, {S(1, 1, 1, 1)}},
      {"a row: 1 run across, 3 down",
       {"###", "..."},
       StrokeAxis::Rows,
       {S(0, 0, 2, 0)}},
      {"a column: 1 run down, 3 across",
       {"#.", "#.", "#."},
       StrokeAxis::Columns,
       {S(0, 0, 0, 2)}},
      {"tie, 2 runs each way: columns",
       {"##", "#."},
       StrokeAxis::Columns,
       {S(0, 0, 0, 1), S(1, 0, 1, 0)}},
      {"gaps break column runs",
       {"#.", "..", "#.", "#."},
       StrokeAxis::Columns,
       {S(0, 0, 0, 0), S(0, 2, 0, 3)}},
      {"gaps break row runs: 4 across, 8 down",
       {"##.##", ".....", "#.###"},
       StrokeAxis::Rows,
       {S(0, 0, 1, 0), S(3, 0, 4, 0), S(0, 2, 0, 2), S(2, 2, 4, 2)}},
      // 5 runs either way; the column whole and the row in two, as the
      // crossing is inside both: 3.
      {"a plus: both directions",
       {"..#..", "..#..", "#####", "..#..", "..#.."},
       StrokeAxis::Columns,
       {S(0, 2, 1, 2), S(2, 0, 2, 4), S(3, 2, 4, 2)}},
      // 3 across, 4 down; the bar takes the first column run from the
      // upright, so only a matching that can undo that finds 2.
      {"an L upside down: both directions",
       {"####", "#...", "#..."},
       StrokeAxis::Rows,
       {S(0, 0, 3, 0), S(0, 1, 0, 2)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StrokePlan plan = PlanStrokes(Ink(c.rows));
    EXPECT_EQ(plan.axis, c.axis);
    EXPECT_EQ(plan.strokes, c.strokes);
  }
}

// Random grids, many with strokes of both directions: every ink sample in
// exactly one stroke.
TEST(PlanStrokes, StrokesOfBothDirectionsInkEachSampleOnce) {
  unsigned seed = 7;
  for (int grid = 0; grid < 40; ++grid) {
    InkGrid ink{9 + grid % 7, 6 + grid % 5, {}};
    for (int i = 0; i < ink.columns * ink.rows; ++i) {
      seed = seed * 1103515245U + 12345U;
      ink.ink.push_back((seed >> 16U) % 10U < 3U + grid % 6 ? 1 : 0);
    }
    const StrokePlan plan = PlanStrokes(ink);
    std::vector<int> inked(ink.ink.size(), 0);
    for (const Stroke& s : plan.strokes) {
      ASSERT_TRUE(s.first.column == s.last.column || s.first.row == s.last.row);
      for (int c = s.first.column; c <= s.last.column; ++c) {
        for (int r = s.first.row; r <= s.last.row; ++r) {
          ++inked[static_cast<std::size_t>(r) * ink.columns + c];
        }
      }
    }
    for (std::size_t i = 0; i < inked.size(); ++i) {
      ASSERT_EQ(inked[i], ink.ink[i]) << "grid " << grid << " sample " << i;
    }
  }
}

// Grey levels row by row; each becomes the colour v * 0x010101.
SampleColours Greys(const std::vector<std::vector<int>>& rows) {
  SampleColours grid{
      static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), {}};
  for (const auto& row : rows) {
    for (const int v : row) grid.colour.push_back(v * 0x010101U);
  }
  return grid;
}

TEST(Dither, ChoosesTonesAsWorkedByHand) {
  struct Case {
    const char* name;
    DitherStyle style;
    double limit;
    std::vector<std::vector<int>> greys;
    std::vector<std::string> expected;
    Palette palette = BlackOnWhite();
  };
  const Case cases[] = {
      {"bare limit: 200 ink, 201 paper",
       DitherStyle::Off,
       200,
       {{200, 201}},
       {"#."}},
      // Row 0 left to right leaves the error of its paper sample below the
      // right end; row 1 right to left then inks its right sample first.
      {"serpentine rows",
       DitherStyle::FloydSteinberg,
       255,
       {{100, 100}, {100, 100}, {100, 100}},
       {"#.", ".#", "#."}},
      {"paper above the limit passes on no error",
       DitherStyle::FloydSteinberg,
       200,
       {{210, 210, 210, 210, 150}},
       {"....."}},
      {"light grey above the limit, ordered",
       DitherStyle::Bayer,
       200,
       std::vector<std::vector<int>>(4, {210, 210, 210, 210}),
       {"....", "....", "....", "...."}},
      // 210/255 is below (m + 0.5)/16 only for m = 13, 14, 15.
      {"light grey within the limit, ordered",
       DitherStyle::Bayer,
       255,
       std::vector<std::vector<int>>(4, {210, 210, 210, 210}),
       {"....", "..#.", "....", "#.#."}},
      {"mid grey, ordered: the 8 highest of 16",
       DitherStyle::Bayer,
       255,
       std::vector<std::vector<int>>(4, {128, 128, 128, 128}),
       {".#.#", "#.#.", ".#.#", "#.#."}},
      {"a third tone: 64 lies halfway up from black to 128",
       DitherStyle::Bayer,
       255,
       {{64, 64, 64, 64}, {64, 64, 64, 64}},
       {"1#1#", "#1#1"},
       Palette{{0, 128, 255}, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        Text(Dither(Greys(c.greys), c.style, c.palette, c.limit), c.palette),
        c.expected);
  }
}

TEST(Dither, MidGreyDiffusedIsAboutHalfInkAndLightGreySome) {
  const struct {
    int grey;
    int low;
    int high;
  } cases[] = {{128, 28, 36}, {210, 6, 16}};  // of 64; 210 is ~18 % ink
  for (const auto& c : cases) {
    SCOPED_TRACE(c.grey);
    const ToneGrid tones = Dither(
        Greys(std::vector<std::vector<int>>(8, std::vector<int>(8, c.grey))),
        DitherStyle::FloydSteinberg, BlackOnWhite(), 255);
    int ink = 0;
    for (const auto t : tones.tone) ink += t == 0 ? 1 : 0;
    EXPECT_GE(ink, c.low);
    EXPECT_LE(ink, c.high);
  }
}

}  // namespace
}  // namespace scrivlet::testing
