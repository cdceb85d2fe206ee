#include "delivery/dot_stream.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

constexpr std::uint32_t kAbsMove = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
constexpr std::uint32_t kDown = MOUSEEVENTF_LEFTDOWN;
constexpr std::uint32_t kUp = MOUSEEVENTF_LEFTUP;
constexpr DesktopArea kBounds{0, 0, 640, 480};

struct Expected {
  ScreenPoint at;
  std::optional<ScreenPoint> stroke;
  bool relative = false;
  std::size_t click_events = 0;
  bool line = false;
};

struct StreamCase {
  std::string name;
  std::vector<MouseEvent> events;
  std::vector<Expected> dots;
  // Pieces complete before Close(): a press without its release is not.
  std::size_t pieces_before_close = 0;
  friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

class DotStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(DotStreamTest, FindsEachDotsInkAndKeepsEveryEvent) {
  const StreamCase& test = GetParam();
  DotStream stream;
  stream.Reset(kBounds, {100, 100});
  for (const MouseEvent& event : test.events) {
    stream.Feed(event);
  }
  EXPECT_EQ(stream.ready().size(), test.pieces_before_close);
  stream.Close();
  std::vector<MouseEvent> passed;
  std::vector<DotInk> dots;
  for (const StreamPiece& piece : stream.ready()) {
    passed.insert(passed.end(), piece.events.begin(), piece.events.end());
    if (piece.dot) {
      dots.push_back(*piece.dot);
    }
  }
  if (!stream.button_down()) {
    EXPECT_EQ(passed, test.events);
  }
  ASSERT_EQ(dots.size(), test.dots.size());
  for (std::size_t i = 0; i < dots.size(); ++i) {
    SCOPED_TRACE("dot " + std::to_string(i));
    EXPECT_EQ(dots[i].at, test.dots[i].at);
    EXPECT_EQ(dots[i].stroke, test.dots[i].stroke);
    EXPECT_EQ(dots[i].relative, test.dots[i].relative);
    EXPECT_EQ(dots[i].click.size(), test.dots[i].click_events);
    EXPECT_EQ(dots[i].line, test.dots[i].line);
  }
}

// 65535 * 50 / 640 and 65535 * 40 / 480, rounded: pixel (50, 40).
constexpr std::int32_t kX50 = 5120;
constexpr std::int32_t kY40 = 5461;

INSTANTIATE_TEST_SUITE_P(
    EngineStreams, DotStreamTest,
    ::testing::Values(
        // The move onto an absolute dot is repeated with its click; one
        // unit of 0..65535 stays on the pixel: no stroke.
        StreamCase{"AbsoluteDragStaysOnItsPixel",
                   {{kAbsMove, kX50, kY40},
                    {kDown | MOUSEEVENTF_ABSOLUTE, kX50, kY40},
                    {kAbsMove, kX50, kY40 + 1},
                    {kUp | MOUSEEVENTF_ABSOLUTE, kX50, kY40 + 1}},
                   {{{50, 40}, std::nullopt, false, 4}},
                   1},
        // The drawing styles' stroke: press, one move away, release.
        StreamCase{"AbsoluteLine",
                   {{kAbsMove, kX50, kY40},
                    {kDown | MOUSEEVENTF_ABSOLUTE, kX50, kY40},
                    {kAbsMove, kX50, kY40 + 3 * 137},
                    {kUp | MOUSEEVENTF_ABSOLUTE, kX50, kY40 + 3 * 137}},
                   {{{50, 40}, ScreenPoint{50, 43}, false, 4, true}},
                   1},
        StreamCase{"RelativeLine",
                   {{MOUSEEVENTF_MOVE, 0, 2},
                    {kDown, 0, 0},
                    {MOUSEEVENTF_MOVE, 5, 0},
                    {kUp, 0, 0}},
                   {{{100, 102}, ScreenPoint{105, 102}, true, 3, true}},
                   1},
        StreamCase{"RelativeDragStrokesThePixelBelow",
                   {{MOUSEEVENTF_MOVE, 0, 2},
                    {kDown, 0, 0},
                    {MOUSEEVENTF_MOVE, 0, 1},
                    {kUp, 0, 0},
                    {MOUSEEVENTF_MOVE, 0, -1},
                    {kUp, 0, 0},
                    {MOUSEEVENTF_MOVE, 0, 2},
                    {kDown, 0, 0},
                    {kUp, 0, 0},
                    {MOUSEEVENTF_MOVE, 2, -4}},
                   {{{100, 102}, ScreenPoint{100, 103}, true, 3},
                    {{100, 104}, std::nullopt, true, 2}},
                   2},
        StreamCase{"RelativeMovesStopAtTheEdges",
                   {{MOUSEEVENTF_MOVE, -500, 900}, {kDown, 0, 0}, {kUp, 0, 0}},
                   {{{0, 479}, std::nullopt, true, 2}},
                   1},
        StreamCase{"APressWaitsForItsRelease",
                   {{MOUSEEVENTF_MOVE, 0, 2}, {kDown, 0, 0}},
                   {},
                   0}),
    [](const auto& instance) { return instance.param.name; });

}  // namespace
}  // namespace scrivlet
