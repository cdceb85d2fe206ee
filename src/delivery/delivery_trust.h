#pragma once

// Pace and trust: how many dots delivery keeps in flight, how fast it sends
// them, and how long it waits for each, decided from what the screen showed.
// Pure logic: the pacer reports what it saw and asks what to do next.
//
// - The window (dots sent before any is confirmed) starts at one and
//   doubles after every batch that landed with no stray pixel and at most
//   a quarter of its dots sent again, so a target that paints late (a
//   compositor, a browser) soon gets many dots per frame.
// - Dots sent again slow the pace: the target drops clicks that come too
//   close together. A batch that lost more than half its dots also halves
//   the window. Repairs are cheap (they go in batches too), so a target
//   that drops some clicks still gets large batches.
// - Ink where no dot was aimed, beside a dot, means the target is being
//   overrun (it paints a line from one dot to the next): one dot at a time
//   and the safe pace from then on, for this target. Ink away from every
//   dot is no such line (under load, on mutter, a look once caught a pixel
//   there that the drawing's end showed as a dot): one dot at a time as
//   well, but only until a run of batches has landed clean, a run twice
//   as long each time it happens again.
// - A dot given up on that shows after all was only late: once none given
//   up is still missing, the window is what it was before.
// - The window grows only after some dots sent alone have shown, so that
//   the target's own time per dot is known. A target that shows a dot
//   within a few milliseconds paints as events come (a paint program on an
//   X server with no compositor): it works through a batch one dot after
//   another and is confirmed right after the last, so it gains little from
//   many dots in flight, while each look would read a larger rectangle:
//   its window stops sooner. One that paints a frame later (a compositor, a
//   browser) gets many dots per frame. Such a fast target that loses a
//   click among others drops what comes while it is busy: one dot at a time
//   from then on.
//   A target whose dot sent alone was seen drawn but not yet on the screen
//   (a compositor shows it at its next frame) needs fewer dots alone: see
//   ProbeDots.
// - How long to wait for a dot depends on its screen colour: see WaitFor.

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "delivery/pacing_clock.h"
#include "platform/platform_input.h"

namespace scrivlet {

struct DeliveryPolicy {
  // The longest wait for a dot where the target may not paint at all: over
  // a colour that has not taken ink once this drawing has had a dot that
  // never showed, or over one that has, after a dot on it never showed in
  // this drawing (off a canvas surrounded by the paper's colour).
  PacingClock::Duration confirm_timeout = std::chrono::milliseconds(100);
  // The longest wait for a dot over a colour that has taken ink. A target
  // that has been painting and falls silent is busy; under heavy CPU load
  // paint programs stall for most of a second now and then.
  PacingClock::Duration stall_timeout = std::chrono::milliseconds(2000);
  // The pause after a dot that cannot be seen to land, or into a target
  // that smears: twice the time the target takes to show a dot, and never
  // less than this. Paint programs keep up with clicks this far apart.
  PacingClock::Duration safe_pace = std::chrono::milliseconds(3);
  // The pause after a dot grows by this much at each dot sent again.
  PacingClock::Duration pace_step = std::chrono::microseconds(500);
  // Dots in flight at most.
  int max_window = 256;
  // Dots in flight at most into a target that paints as events come.
  int max_window_as_events_come = 64;
  // Dots sent alone before the window may grow, and how fast the fastest
  // of them must have shown for the target to count as painting as events
  // come: faster than any frame.
  int probe_dots = 16;
  PacingClock::Duration frame_like_latency = std::chrono::milliseconds(4);
  // Dots sent alone before the window may grow where the screen shows a
  // dot only after the target has drawn it (a compositor): every dot there
  // waits a frame, and the full probe took up to half a drawing's time.
  int probe_dots_drawn_late = 4;
  // Dots in a row that did not show before the pacer stops trusting the
  // target to show them and keeps to the safe pace.
  int misses_before_safe_pace = 3;
  // Once it has fallen back, one miss is enough until the target has shown
  // this many dots in a row, so that a drawing running off the canvas in
  // every column does not wait out several timeouts per column.
  int dots_to_regain_patience = 100;
  // Batches that must land with no dot lost after ink away from every dot
  // before the window grows again; twice as many each time after.
  int calm_batches = 16;
};

// How long to wait for a dot, and whether it is expected to show (one that
// does not then counts against the target). A dot that is not expected is
// sent at the safe pace.
struct DotWait {
  PacingClock::Duration bound{};
  bool expected = false;
};

// How many dots sent alone must show before more than one goes at a time,
// given whether one was seen drawn by the target before the screen showed
// it. Only that tells a compositor from a target that is merely slow: a
// browser shows its first dots late too, and a paint program under load.
[[nodiscard]] int ProbeDots(const DeliveryPolicy& policy, bool drawn_late);

class DeliveryTrust {
 public:
  explicit DeliveryTrust(const DeliveryPolicy& policy);

  [[nodiscard]] const DeliveryPolicy& policy() const { return policy_; }
  [[nodiscard]] int Window() const { return window_; }
  // The pause after each dot of a batch whose dots can all be seen.
  [[nodiscard]] PacingClock::Duration Pace() const { return pace_; }
  [[nodiscard]] PacingClock::Duration SafePace() const;
  // How long the target takes to show a dot sent alone, smoothed.
  [[nodiscard]] std::optional<PacingClock::Duration> TypicalLatency() const {
    return typical_latency_;
  }
  [[nodiscard]] bool Smeared() const { return smeared_; }
  // Whether more than one dot may be in flight (see above).
  [[nodiscard]] bool Pipelines() const;
  // Whether the target showed a dot sent alone faster than any frame, with
  // no compositor seen between it and the screen.
  [[nodiscard]] bool PaintsAsEventsCome() const;
  // Whether a dot drawn but not yet shown would still shorten the probe.
  [[nodiscard]] bool WantsDrawnLate() const;
  // Whether a stroke's press must be drawn before the pointer moves on
  // with the button held (StrokeLost).
  [[nodiscard]] bool HoldStrokes() const { return hold_strokes_; }
  // Whether a held stroke must also be drawn before the button goes up.
  [[nodiscard]] bool HoldStrokeEnds() const { return hold_stroke_ends_; }

  // Over a colour that has taken ink: up to the stall bound. Over one not
  // seen before: the same, until a dot of this drawing failed to show;
  // then the confirm bound. Over one where dots never showed, ink over
  // ink, or a screen that cannot be read: not expected.
  [[nodiscard]] DotWait WaitFor(std::optional<COLORREF> before);

  // A dot over `before` showed `after` within `latency`; `alone` when it
  // was the only one in flight, so that the latency is the target's own.
  void Shown(COLORREF before, COLORREF after, PacingClock::Duration latency,
             bool alone);
  // A dot that was expected did not show within its bound.
  void Missed(COLORREF before);
  // A dot given up on showed after all: the target was only busy.
  void ShownLate(COLORREF before);
  // A batch of `dots` landed with nothing else changed; `lost` of them
  // had to be sent again.
  void BatchLanded(int dots, int lost);
  // Dots had to be sent again; from a batch of several into a target
  // that paints as events come, this ends the batches there (see above).
  void DotLost();
  // A drag stroke did not show although its dot did: the target looks for
  // the button only when it gets to the move. At first only the press is
  // waited for before the move: mtpaint needs no more, and its lines then
  // take half the time (benchmarks.md). A stroke lost again, perhaps one
  // already held that way, has its end waited for before the release too.
  void StrokeLost() {
    hold_stroke_ends_ = hold_strokes_;
    hold_strokes_ = true;
  }
  // A stroke stayed blank long after its press showed, no later one shown:
  // lost, or late (measured in Firefox under load: a line drawn 50 to 480 ms
  // after its press showed, once a drawing's first). Holding every line
  // after for that costs a frame each, a whole drawing's time: the first
  // such is only sent again; a second counts as a stroke lost.
  void StrokeOverdue() {
    if (stroke_overdue_) {
      StrokeLost();
    }
    stroke_overdue_ = true;
  }
  // Whether a line sent again goes held, to tell lost from late: one was
  // overdue, and lines are not held yet.
  [[nodiscard]] bool TestsStrokes() const {
    return stroke_overdue_ && !hold_strokes_;
  }
  // The press of an overdue line's blank part was drawn, before its move
  // went: a target that had not drawn the line by then took a later press
  // without that line's move (mtpaint: lost, found without waiting for a
  // second overdue line); one that had was only late, and that overdue
  // line no longer counts.
  void StrokeTested(bool line_drawn) {
    if (line_drawn) {
      stroke_overdue_ = false;
    } else {
      StrokeLost();
    }
  }
  // Ink showed where no dot was aimed, beside a dot.
  void InkStrayed();
  // Ink showed where no dot was aimed, away from every dot.
  void InkApart();
  // A dot sent alone was drawn by the target while the screen did not
  // show it yet: a compositor stands between them.
  void DrawnBeforeShown() { drawn_late_ = true; }
  [[nodiscard]] bool DrawnLate() const { return drawn_late_; }
  // A new drawing, perhaps elsewhere: failures of colours that have taken
  // ink are forgotten; a colour that never took ink stays suspect.
  void NewDrawing();

 private:
  struct ColourRecord {
    bool took_ink = false;  // a dot on it showed, in any drawing
    bool failed = false;    // a dot on it never showed in this drawing
  };
  ColourRecord& RecordOf(COLORREF colour);

  DeliveryPolicy policy_;
  int window_ = 1;
  PacingClock::Duration pace_{};
  bool smeared_ = false;
  // Since ink showed apart: the run of clean batches it needs, and what
  // is left of it.
  int calm_run_ = 0;
  int calm_left_ = 0;
  PacingClock::Duration pace_before_apart_{};
  // The window before the dots given up that are still missing.
  int window_before_missed_ = 1;
  int missing_ = 0;
  // Paints as events come, yet lost a click sent with others.
  bool drops_overlapping_ = false;
  bool hold_strokes_ = false;
  bool hold_stroke_ends_ = false;
  bool stroke_overdue_ = false;  // see StrokeOverdue
  bool drawn_late_ = false;      // see DrawnBeforeShown
  std::optional<COLORREF> ink_;  // the colour the target last painted
  std::optional<PacingClock::Duration> typical_latency_;
  int alone_shown_ = 0;
  std::optional<PacingClock::Duration> fastest_alone_;
  std::unordered_map<COLORREF, ColourRecord> colours_;
  bool drawing_missed_ = false;
  int misses_in_a_row_ = 0;
  int miss_allowance_;
  int seen_in_a_row_ = 0;
};

}  // namespace scrivlet
