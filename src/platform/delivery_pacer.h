#pragma once

// Delivery pacing: every dot lands, at the target's own speed.
//
// Real paint programs lose or smear most dots when clicks arrive back to
// back: they handle a click only after the pointer has already moved on.
// The pacer is a PlatformInput in front of any backend. It passes the
// engine's events on unchanged and in order, but holds each dot's next event
// until the screen under the dot shows that the target has painted it, then
// sends it at once. Where a target never shows the dots it is sent (not a
// paint program, ink over ink, a screen that cannot be read), the pacer falls
// back to a fixed safe pace instead of waiting out a timeout for every dot.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/platform_input.h"

namespace scrivlet {

// Time as the pacer sees it, so that tests can script it.
class PacingClock {
 public:
  using Duration = std::chrono::microseconds;
  using TimePoint =
      std::chrono::time_point<std::chrono::steady_clock, Duration>;

  PacingClock() = default;
  PacingClock(const PacingClock&) = delete;
  PacingClock& operator=(const PacingClock&) = delete;
  PacingClock(PacingClock&&) = delete;
  PacingClock& operator=(PacingClock&&) = delete;
  virtual ~PacingClock() = default;

  virtual TimePoint Now() = 0;
  virtual void SleepFor(Duration duration) = 0;
};

// The real monotonic clock.
std::unique_ptr<PacingClock> MakeSteadyPacingClock();

struct PacingPolicy {
  // The longest wait for a dot to show while the target is showing dots.
  // Long enough to ride out a busy moment of the target (sending on early
  // risks a smeared dot), bounded so that a stall never stops the drawing.
  PacingClock::Duration confirm_timeout = std::chrono::milliseconds(100);
  // The pause after a dot that cannot be seen to land: twice the time the
  // target has been taking to show a dot, and never less than this. Paint
  // programs keep up with clicks this far apart.
  PacingClock::Duration safe_pace = std::chrono::milliseconds(3);
  // How often the screen under a dot is read while waiting.
  PacingClock::Duration poll_interval = std::chrono::microseconds(50);
  // Dots in a row that did not show before the pacer stops trusting the
  // target to show them and keeps to the safe pace.
  int misses_before_safe_pace = 3;
  // Once it has fallen back, the pacer gives a target one miss instead of
  // several until it has shown this many dots in a row, so that a drawing
  // running off the canvas in every column does not wait out several
  // timeouts per column.
  int dots_to_regain_patience = 100;
};

// What became of the dots so far.
struct PacingStats {
  int dots = 0;        // clicks held for pacing
  int confirmed = 0;   // seen to land on the screen
  int timed_out = 0;   // expected to show but did not within the bound
  int safe_paced = 0;  // could not be seen, sent at the safe pace

  friend bool operator==(const PacingStats&, const PacingStats&) = default;
};

class DeliveryPacer final : public PlatformInput {
 public:
  DeliveryPacer(std::unique_ptr<PlatformInput> target,
                std::unique_ptr<PacingClock> clock, PacingPolicy policy = {});

  [[nodiscard]] const PacingStats& stats() const { return stats_; }

  ScreenPoint GetCursorPos() override;
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override;
  std::uint16_t GetAsyncKeyState(int virtual_key) override;
  DesktopArea DesktopBounds() override;
  void SetWindowPos(NativeWindow window, ZOrder order) override;
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override;
  void Flush() override;

 private:
  struct Dot {
    ScreenPoint at;
    std::optional<COLORREF> before;  // the colour before the click
    PacingClock::TimePoint released{};
  };

  void TrackMove(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  ScreenPoint PointerPosition();
  void PressAt(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  void WaitForPendingDot();
  PacingClock::Duration BoundFor(const Dot& dot);
  bool PollUntilChanged(const Dot& dot, PacingClock::Duration bound);
  PacingClock::Duration SafePace() const;
  void LearnLatency(PacingClock::Duration latency);
  bool AbortKeyHeld();

  std::unique_ptr<PlatformInput> target_;
  std::unique_ptr<PacingClock> clock_;
  PacingPolicy policy_;
  PacingStats stats_;

  bool button_down_ = false;
  // The normalised point of the last move, while it was an absolute one.
  std::optional<ScreenPoint> aimed_at_;
  Dot current_;                  // the dot under the held button
  std::optional<Dot> pending_;   // released, not yet seen to land
  std::optional<COLORREF> ink_;  // the colour the target last painted
  // How long the target takes to show a dot, smoothed over recent dots.
  std::optional<PacingClock::Duration> typical_latency_;
  int misses_in_a_row_ = 0;
  int miss_allowance_ = 0;
  int seen_in_a_row_ = 0;
  // The pacer looks at F8 itself to shorten its waits during an abort; a
  // press it sees is handed on to the engine's next F8 query.
  bool abort_pressed_latch_ = false;
};

}  // namespace scrivlet
