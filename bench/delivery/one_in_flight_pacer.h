#pragma once

// The one-in-flight closed loop, kept as the baseline that pipelined
// delivery is measured against: every dot is confirmed on the screen
// before the next one is sent. This is the pacer Scrivlet used before.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "delivery/pacing_clock.h"
#include "platform/platform_input.h"

namespace scrivlet::bench {

struct OneInFlightPolicy {
  // The longest wait for a dot where the target may not paint at all: over
  // a colour that has not taken ink once this drawing has had a dot that
  // never showed, or over one that has, after a dot on it never showed in
  // this drawing (off a canvas surrounded by the paper's colour).
  PacingClock::Duration confirm_timeout = std::chrono::milliseconds(100);
  // The longest wait for a dot over a colour that has taken ink. A target
  // that has been painting and falls silent is busy; under heavy CPU load
  // paint programs stall for most of a second now and then.
  PacingClock::Duration stall_timeout = std::chrono::milliseconds(2000);
  // The pause after a dot that cannot be seen to land: twice the time the
  // target has been taking to show a dot, and never less than this. Paint
  // programs keep up with clicks this far apart.
  PacingClock::Duration safe_pace = std::chrono::milliseconds(3);
  // How often the screen under a dot is read at first while waiting; a
  // longer wait reads it less often (a sixteenth of the time waited so far,
  // at most max_poll_interval), so that a stalled target is not kept from
  // the CPU and the X server by the reads.
  PacingClock::Duration poll_interval = std::chrono::microseconds(50);
  PacingClock::Duration max_poll_interval = std::chrono::milliseconds(2);
  // How often F8 is looked at during a long wait, so that an abort never
  // waits out a stall.
  PacingClock::Duration abort_check_interval = std::chrono::milliseconds(10);
  // Dots in a row that did not show before the pacer stops trusting the
  // target to show them and keeps to the safe pace.
  int misses_before_safe_pace = 3;
  // Once it has fallen back, the pacer gives a target one miss instead of
  // several until it has shown this many dots in a row, so that a drawing
  // running off the canvas in every column does not wait out several
  // timeouts per column.
  int dots_to_regain_patience = 100;
};

// What became of the dots and drag strokes so far.
struct OneInFlightStats {
  int dots = 0;        // clicks held for pacing
  int strokes = 0;     // drag strokes onto a new pixel, held before release
  int confirmed = 0;   // dots and strokes seen to land on the screen
  int late = 0;        // of those, seen only after confirm_timeout
  int timed_out = 0;   // expected to show but did not within the bound
  int safe_paced = 0;  // could not be seen, sent at the safe pace

  friend bool operator==(const OneInFlightStats&,
                         const OneInFlightStats&) = default;
};

class OneInFlightPacer final : public PlatformInput {
 public:
  OneInFlightPacer(std::unique_ptr<PlatformInput> target,
                   std::unique_ptr<PacingClock> clock,
                   OneInFlightPolicy policy = {});

  [[nodiscard]] const OneInFlightStats& stats() const { return stats_; }

  ScreenPoint GetCursorPos() override;
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override;
  // A query for F7 comes from the draw trigger between drawings: the next
  // drawing may be elsewhere, so what this drawing taught about places where
  // dots do not show is forgotten.
  std::uint16_t GetAsyncKeyState(int virtual_key) override;
  DesktopArea DesktopBounds() override;
  void SetWindowPos(NativeWindow window, ZOrder order) override;
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override;
  void Flush() override;

 private:
  // A dot or a drag stroke: a pixel that should change once the target has
  // handled the event sent at `sent`.
  struct Mark {
    ScreenPoint at;
    std::optional<COLORREF> before;  // the colour before the event
    PacingClock::TimePoint sent{};
  };

  // What the pixels of one colour have done when a dot landed on them.
  struct ColourRecord {
    bool took_ink = false;  // a dot on it showed, in any drawing
    bool failed = false;    // a dot on it never showed in this drawing
  };

  // How long to wait for a mark, and whether it is expected to show (a mark
  // that does not then counts as evidence against the target).
  struct Wait {
    PacingClock::Duration bound;
    bool expected = false;
  };

  enum class WaitEnd : std::uint8_t { Shown, NotShown, Aborted };

  void Move(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  void Press(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  void Release(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  // The pixel a move with the button held goes to.
  ScreenPoint DragTarget(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  ScreenPoint PointerPosition();
  Mark MarkAt(ScreenPoint at);

  void Settle(const Mark& mark);
  Wait WaitFor(const Mark& mark);
  WaitEnd PollUntilChanged(const Mark& mark, PacingClock::Duration bound);
  void NoteShown(const Mark& mark, PacingClock::Duration latency);
  void NoteMissed(const Mark& mark);
  void CheckUnseen();
  PacingClock::Duration SafePace() const;
  bool AbortKeyHeld();
  void ForgetDrawing();
  ColourRecord& RecordOf(COLORREF colour);

  std::unique_ptr<PlatformInput> target_;
  std::unique_ptr<PacingClock> clock_;
  OneInFlightPolicy policy_;
  OneInFlightStats stats_;

  bool button_down_ = false;
  // The normalised point of the last move, while it was an absolute one.
  std::optional<ScreenPoint> aimed_at_;
  // Where the pointer is while the button is held: the press or the stroke.
  ScreenPoint held_at_;
  std::optional<Mark> press_;    // under the held button, not yet seen
  std::optional<Mark> stroke_;   // dragged onto with the button held
  std::optional<Mark> pending_;  // released, not yet seen to land
  // The last mark that timed out, in case it shows late.
  std::optional<Mark> unseen_;
  std::optional<COLORREF> ink_;  // the colour the target last painted
  // How long the target takes to show a dot, smoothed over recent dots.
  std::optional<PacingClock::Duration> typical_latency_;
  std::unordered_map<COLORREF, ColourRecord> colours_;
  bool drawing_missed_ = false;  // a dot in this drawing never showed
  bool drawing_taught_ = false;  // something to forget at the next F7
  int misses_in_a_row_ = 0;
  int miss_allowance_ = 0;
  int seen_in_a_row_ = 0;
  // The pacer looks at F8 itself to shorten its waits during an abort; a
  // press it sees is handed on to the engine's next F8 query.
  bool abort_pressed_latch_ = false;
};

}  // namespace scrivlet::bench
