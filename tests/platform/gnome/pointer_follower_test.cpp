// The pointer on GNOME: the screen cast's lagging cursor against the moves
// Scrivlet made itself.

#include "platform/gnome/pointer_follower.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace scrivlet {
namespace {

using Shown = PointerFollower::Shown;
using std::chrono::milliseconds;

TEST(PointerFollower, OwnMovesHoldUntilTheStreamCatchesUpOrTheUserMoves) {
  const auto t0 = PointerFollower::Clock::time_point{} + milliseconds(10'000);
  const Shown old{{5, 5}, 3};
  const std::optional<Shown> none;
  const std::optional<ScreenPoint> nowhere;
  const auto to = [&](ScreenPoint p) {
    return [=](PointerFollower& f) { f.MovedTo(p, old, t0); };
  };
  const auto by = [&](std::int32_t dx, std::optional<Shown> from) {
    return [=](PointerFollower& f) {
      f.MovedBy(dx, 3, {0, 0, 1280, 800}, from, t0);
    };
  };
  struct Case {
    const char* name;
    std::function<void(PointerFollower&)> moves;
    std::optional<Shown> shown;  // at t0 + 100 ms
    std::optional<Shown> later;  // at t0 + 100 ms + the stream's lag
    std::optional<ScreenPoint> first;
    std::optional<ScreenPoint> then;
  };
  // clang-format off
  const std::array cases{
      Case{"nothing shown yet", {}, none, none, nowhere, nowhere},
      Case{"the stream alone", {}, old, old, ScreenPoint{5, 5}, ScreenPoint{5, 5}},
      Case{"own move, stream silent", to({100, 90}), old, old, ScreenPoint{100, 90}, ScreenPoint{100, 90}},
      Case{"own move, a stale frame in flight, then the user moves", to({100, 90}),
           Shown{{5, 5}, 4}, Shown{{7, 7}, 5}, ScreenPoint{100, 90}, ScreenPoint{7, 7}},
      Case{"relative from the stream's place, stopped at the edges", by(-10, old), old, old,
           ScreenPoint{0, 8}, ScreenPoint{0, 8}},
      Case{"relative without a known start", by(4, none), none, none, nowhere, nowhere},
  };
  // clang-format on
  for (const Case& c : cases) {
    PointerFollower follower;
    if (c.moves) {
      c.moves(follower);
    }
    const auto at = t0 + milliseconds(100);
    EXPECT_EQ(follower.Position(c.shown, at), c.first) << c.name;
    EXPECT_EQ(follower.Position(c.later, at + PointerFollower::kStreamLag),
              c.then)
        << c.name;
  }
}

}  // namespace
}  // namespace scrivlet
