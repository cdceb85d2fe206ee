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
  const DesktopArea area{0, 0, 1280, 800};
  const Shown old{{5, 5}, 3};
  struct Case {
    const char* name;
    std::function<void(PointerFollower&)> moves;
    std::optional<Shown> shown;  // at t0 + 100 ms
    std::optional<Shown> later;  // at t0 + 100 ms + the stream's lag
    std::optional<ScreenPoint> first;
    std::optional<ScreenPoint> then;
  };
  const std::array cases{
      Case{"nothing shown yet",
           {},
           std::nullopt,
           std::nullopt,
           std::nullopt,
           std::nullopt},
      Case{"the stream alone",
           {},
           old,
           old,
           ScreenPoint{5, 5},
           ScreenPoint{5, 5}},
      Case{"own move, stream silent",
           [&](PointerFollower& f) {
             f.MovedTo({100, 90}, old, t0);
           },
           old, old, ScreenPoint{100, 90}, ScreenPoint{100, 90}},
      Case{"own move, a stale frame in flight, then the user moves",
           [&](PointerFollower& f) {
             f.MovedTo({100, 90}, old, t0);
           },
           Shown{{5, 5}, 4}, Shown{{7, 7}, 5}, ScreenPoint{100, 90},
           ScreenPoint{7, 7}},
      Case{"relative from the stream's place, stopped at the edges",
           [&](PointerFollower& f) { f.MovedBy(-10, 3, area, old, t0); }, old,
           old, ScreenPoint{0, 8}, ScreenPoint{0, 8}},
      Case{"relative without a known start",
           [&](PointerFollower& f) { f.MovedBy(4, 4, area, std::nullopt, t0); },
           std::nullopt, std::nullopt, std::nullopt, std::nullopt},
  };
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
