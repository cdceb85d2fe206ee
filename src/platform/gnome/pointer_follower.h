#pragma once

// Where the pointer is on GNOME, from two sources: the screen cast's cursor
// metadata, which comes a frame or more late, and the moves this program
// made itself. Right after a move of our own the stream may still show the
// old place; believing it would make a relative move look stopped at an
// edge. So our own position holds until the stream has caught up with it,
// or until the stream shows something else well after our last move (the
// user moved the pointer). Pure: the caller passes the time.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/platform_input.h"

namespace scrivlet {

class PointerFollower {
 public:
  using Clock = std::chrono::steady_clock;
  // How long a stream position that differs from our own move counts as
  // one still in flight.
  static constexpr std::chrono::milliseconds kStreamLag{500};

  struct Shown {
    ScreenPoint at;
    std::uint64_t updates = 0;  // how many positions the stream has shown
  };

  // The position now, given what the stream shows (nullopt: nothing yet).
  [[nodiscard]] std::optional<ScreenPoint> Position(std::optional<Shown> shown,
                                                    Clock::time_point now) {
    if (own_) {
      const bool stream_silent = !shown || shown->updates == updates_at_move_;
      if (stream_silent || shown->at == *own_ || now - moved_at_ < kStreamLag) {
        return own_;
      }
      own_.reset();
    }
    if (!shown) {
      return std::nullopt;
    }
    return shown->at;
  }

  // A move of our own to `to`.
  void MovedTo(ScreenPoint to, std::optional<Shown> shown,
               Clock::time_point now) {
    own_ = to;
    moved_at_ = now;
    updates_at_move_ = shown ? shown->updates : 0;
  }

  // A relative move of our own; the pointer stops at the desktop's edges.
  // Without a known start the place stays unknown.
  void MovedBy(std::int32_t dx, std::int32_t dy, DesktopArea area,
               std::optional<Shown> shown, Clock::time_point now) {
    const std::optional<ScreenPoint> from = Position(shown, now);
    if (!from) {
      return;
    }
    const auto clamp = [](std::int64_t value, std::int32_t low,
                          std::int32_t extent) {
      return static_cast<std::int32_t>(std::clamp<std::int64_t>(
          value, low, std::int64_t{low} + std::max(extent, 1) - 1));
    };
    MovedTo({clamp(std::int64_t{from->x} + dx, area.left, area.width),
             clamp(std::int64_t{from->y} + dy, area.top, area.height)},
            shown, now);
  }

 private:
  std::optional<ScreenPoint> own_;
  Clock::time_point moved_at_;
  std::uint64_t updates_at_move_ = 0;
};

}  // namespace scrivlet
