#include "one_in_flight_pacer.h"

#include <algorithm>
#include <utility>

#include "platform/absolute_mapping.h"

namespace scrivlet::bench {
namespace {

constexpr std::uint32_t kButtonFlags =
    MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;

// Colours remembered at most; a drawing over a photograph meets a new colour
// at almost every dot, and starting afresh is cheaper than growing forever.
constexpr std::size_t kMaxColours = 4096;

}  // namespace

OneInFlightPacer::OneInFlightPacer(std::unique_ptr<PlatformInput> target,
                                   std::unique_ptr<PacingClock> clock,
                                   OneInFlightPolicy policy)
    : target_(std::move(target)),
      clock_(std::move(clock)),
      policy_(policy),
      miss_allowance_(policy.misses_before_safe_pace) {
  if (!target_ || !clock_) {
    throw PlatformError("The delivery pacer needs a desktop and a clock.");
  }
}

ScreenPoint OneInFlightPacer::GetCursorPos() { return target_->GetCursorPos(); }

void OneInFlightPacer::mouse_event(std::uint32_t flags, std::int32_t dx,
                                   std::int32_t dy) {
  // Whatever follows a dot (the move to the next one, or another press)
  // waits until the target has painted it.
  if (pending_) {
    Settle(*std::exchange(pending_, std::nullopt));
  }
  std::uint32_t rest = flags;
  if ((flags & MOUSEEVENTF_MOVE) != 0) {
    if ((flags & kButtonFlags) == 0) {
      Move(flags, dx, dy);
      return;
    }
    // A move sent with a button goes first, as the desktop would do it, so
    // that the colour under the dot is read where the pointer then is.
    Move(flags & ~kButtonFlags, dx, dy);
    rest &= ~MOUSEEVENTF_MOVE;
  }
  if ((rest & MOUSEEVENTF_LEFTDOWN) != 0 && !button_down_) {
    Press(rest & ~MOUSEEVENTF_LEFTUP, dx, dy);
    rest &= ~MOUSEEVENTF_LEFTDOWN;
    if ((rest & MOUSEEVENTF_LEFTUP) == 0) {
      return;
    }
  }
  if ((rest & MOUSEEVENTF_LEFTUP) != 0 && button_down_) {
    Release(rest, dx, dy);
    return;
  }
  target_->mouse_event(rest, dx, dy);
}

void OneInFlightPacer::Move(std::uint32_t flags, std::int32_t dx,
                            std::int32_t dy) {
  std::optional<Mark> stroke;
  if (button_down_) {
    // With the button held the target paints a stroke along the move. It
    // must have taken the press, and the stroke so far, before the pointer
    // moves on, or it paints from wherever the pointer has got to.
    if (press_) {
      Settle(*std::exchange(press_, std::nullopt));
    }
    if (stroke_) {
      Settle(*std::exchange(stroke_, std::nullopt));
    }
    const ScreenPoint to = DragTarget(flags, dx, dy);
    if (to != held_at_) {
      stroke = MarkAt(to);
    }
  }
  const bool absolute = (flags & MOUSEEVENTF_ABSOLUTE) != 0;
  aimed_at_ = absolute ? std::optional<ScreenPoint>({dx, dy}) : std::nullopt;
  target_->mouse_event(flags, dx, dy);
  if (!stroke) {
    return;
  }
  stroke->sent = clock_->Now();
  if (!absolute) {
    // A relative move may be accelerated or clipped at the screen's edge:
    // where it went is read back, and the colour there with it.
    const ScreenPoint went = PointerPosition();
    if (went == held_at_) {
      return;
    }
    if (went != stroke->at) {
      stroke = MarkAt(went);
    }
  }
  held_at_ = stroke->at;
  stroke_ = stroke;
  ++stats_.strokes;
}

void OneInFlightPacer::Press(std::uint32_t flags, std::int32_t dx,
                             std::int32_t dy) {
  // The colour under the dot is read after the pointer got there and before
  // the button goes down.
  Mark press = MarkAt(PointerPosition());
  target_->mouse_event(flags, dx, dy);
  press.sent = clock_->Now();
  held_at_ = press.at;
  press_ = press;
  stroke_.reset();
  button_down_ = true;
}

void OneInFlightPacer::Release(std::uint32_t flags, std::int32_t dx,
                               std::int32_t dy) {
  // A stroke must show while the button is still down: a target that asks
  // where the pointer is when it gets to the move draws nothing once the
  // button is up.
  if (stroke_) {
    Settle(*std::exchange(stroke_, std::nullopt));
  }
  target_->mouse_event(flags, dx, dy);
  button_down_ = false;
  ++stats_.dots;
  pending_ = std::exchange(press_, std::nullopt);
}

ScreenPoint OneInFlightPacer::DragTarget(std::uint32_t flags, std::int32_t dx,
                                         std::int32_t dy) {
  if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
    return AbsoluteToScreen(dx, dy, target_->DesktopBounds());
  }
  return {held_at_.x + dx, held_at_.y + dy};
}

ScreenPoint OneInFlightPacer::PointerPosition() {
  // An absolute move names its pixel; working it out saves two round trips
  // to the desktop per dot. After relative moves (which a desktop may
  // accelerate) only the desktop knows where the pointer went.
  if (aimed_at_) {
    return AbsoluteToScreen(aimed_at_->x, aimed_at_->y,
                            target_->DesktopBounds());
  }
  target_->Flush();
  return target_->GetCursorPos();
}

OneInFlightPacer::Mark OneInFlightPacer::MarkAt(ScreenPoint at) {
  return {at, target_->ReadScreenPixel(at), clock_->Now()};
}

void OneInFlightPacer::Settle(const Mark& mark) {
  CheckUnseen();
  drawing_taught_ = true;
  // While F8 is held the column is finished at the plain floor pace, even
  // for a slow target: stopping soon matters more than the last dots.
  const Wait wait =
      AbortKeyHeld() ? Wait{policy_.safe_pace, false} : WaitFor(mark);
  switch (PollUntilChanged(mark, wait.bound)) {
    case WaitEnd::Shown:
      NoteShown(mark, clock_->Now() - mark.sent);
      return;
    case WaitEnd::NotShown:
      if (wait.expected) {
        ++stats_.timed_out;
        NoteMissed(mark);
        unseen_ = mark;
      } else {
        ++stats_.safe_paced;
      }
      return;
    case WaitEnd::Aborted:
      ++stats_.safe_paced;
      return;
  }
}

OneInFlightPacer::Wait OneInFlightPacer::WaitFor(const Mark& mark) {
  // Ink over ink, or a screen that cannot be read: nothing can show.
  if (!mark.before || mark.before == ink_) {
    return {SafePace(), false};
  }
  const ColourRecord& colour = RecordOf(*mark.before);
  if (colour.took_ink && !colour.failed) {
    return {policy_.stall_timeout, true};
  }
  if (colour.failed && !colour.took_ink) {
    // Off the canvas, or not a paint program: dots here have not shown.
    return {SafePace(), false};
  }
  if (misses_in_a_row_ >= miss_allowance_) {
    return {SafePace(), false};
  }
  // A colour not seen before gets the benefit of the doubt until some dot
  // of this drawing has failed to show: the first dot of a drawing into a
  // busy target must land too.
  if (!colour.took_ink && !drawing_missed_) {
    return {policy_.stall_timeout, true};
  }
  return {policy_.confirm_timeout, true};
}

OneInFlightPacer::WaitEnd OneInFlightPacer::PollUntilChanged(
    const Mark& mark, PacingClock::Duration bound) {
  const PacingClock::TimePoint deadline = mark.sent + bound;
  PacingClock::TimePoint abort_look =
      clock_->Now() + policy_.abort_check_interval;
  for (;;) {
    if (mark.before) {
      const std::optional<COLORREF> now = target_->ReadScreenPixel(mark.at);
      if (now && now != mark.before) {
        ink_ = now;
        return WaitEnd::Shown;
      }
    }
    const PacingClock::TimePoint now = clock_->Now();
    if (now >= deadline) {
      return WaitEnd::NotShown;
    }
    if (now >= abort_look) {
      if (AbortKeyHeld()) {
        return WaitEnd::Aborted;
      }
      abort_look = now + policy_.abort_check_interval;
    }
    const PacingClock::Duration pause =
        mark.before ? std::clamp((now - mark.sent) / 16, policy_.poll_interval,
                                 policy_.max_poll_interval)
                    : policy_.abort_check_interval;
    clock_->SleepFor(std::min({pause, deadline - now, abort_look - now}));
  }
}

void OneInFlightPacer::NoteShown(const Mark& mark,
                                 PacingClock::Duration latency) {
  ++stats_.confirmed;
  if (latency > policy_.confirm_timeout) {
    ++stats_.late;
  }
  RecordOf(*mark.before).took_ink = true;
  misses_in_a_row_ = 0;
  if (++seen_in_a_row_ >= policy_.dots_to_regain_patience) {
    miss_allowance_ = policy_.misses_before_safe_pace;
  }
  // A running average that follows the target within some ten dots. A
  // stall says the target was busy, not how long it takes to paint, so it
  // counts no more than the confirm bound.
  const PacingClock::Duration usual =
      std::min(latency, policy_.confirm_timeout);
  typical_latency_ =
      typical_latency_ ? (7 * *typical_latency_ + usual) / 8 : usual;
}

void OneInFlightPacer::NoteMissed(const Mark& mark) {
  drawing_missed_ = true;
  RecordOf(*mark.before).failed = true;
  seen_in_a_row_ = 0;
  if (++misses_in_a_row_ >= miss_allowance_) {
    miss_allowance_ = 1;
  }
}

void OneInFlightPacer::CheckUnseen() {
  // A dot given up on that shows after all says that the target was only
  // busy, longer than the bound: it paints there, and is trusted again.
  // One still unseen after twice the stall bound never will be.
  if (!unseen_) {
    return;
  }
  const std::optional<COLORREF> now = target_->ReadScreenPixel(unseen_->at);
  if (now && now != unseen_->before) {
    ColourRecord& colour = RecordOf(*unseen_->before);
    colour.took_ink = true;
    colour.failed = false;
    misses_in_a_row_ = 0;
    unseen_.reset();
  } else if (clock_->Now() - unseen_->sent > 2 * policy_.stall_timeout) {
    unseen_.reset();
  }
}

OneInFlightPacer::ColourRecord& OneInFlightPacer::RecordOf(COLORREF colour) {
  if (colours_.size() >= kMaxColours && !colours_.contains(colour)) {
    colours_.clear();
  }
  return colours_[colour];
}

PacingClock::Duration OneInFlightPacer::SafePace() const {
  if (!typical_latency_) {
    return policy_.safe_pace;
  }
  return std::clamp(2 * *typical_latency_, policy_.safe_pace,
                    std::max(policy_.safe_pace, policy_.confirm_timeout));
}

bool OneInFlightPacer::AbortKeyHeld() {
  const std::uint16_t word = target_->GetAsyncKeyState(VK_F8);
  if ((word & kKeyPressedSinceLastQuery) != 0) {
    abort_pressed_latch_ = true;
  }
  return (word & kKeyDown) != 0;
}

void OneInFlightPacer::ForgetDrawing() {
  if (!std::exchange(drawing_taught_, false)) {
    return;
  }
  // A colour that has taken ink is trusted again; one that never has stays
  // suspect (the grey around a canvas).
  for (auto& [colour, record] : colours_) {
    record.failed = record.failed && !record.took_ink;
  }
  drawing_missed_ = false;
  misses_in_a_row_ = 0;
  miss_allowance_ = policy_.misses_before_safe_pace;
  seen_in_a_row_ = 0;
  // The last dot of the drawing has nothing after it to hold back.
  pending_.reset();
  unseen_.reset();
}

std::uint16_t OneInFlightPacer::GetAsyncKeyState(int virtual_key) {
  if (virtual_key == VK_F7) {
    ForgetDrawing();
  }
  std::uint16_t word = target_->GetAsyncKeyState(virtual_key);
  if (virtual_key == VK_F8 && std::exchange(abort_pressed_latch_, false)) {
    word |= kKeyPressedSinceLastQuery;
  }
  return word;
}

DesktopArea OneInFlightPacer::DesktopBounds() {
  return target_->DesktopBounds();
}

void OneInFlightPacer::SetWindowPos(NativeWindow window, ZOrder order) {
  target_->SetWindowPos(window, order);
}

std::optional<COLORREF> OneInFlightPacer::ReadScreenPixel(ScreenPoint at) {
  return target_->ReadScreenPixel(at);
}

void OneInFlightPacer::Flush() { target_->Flush(); }

}  // namespace scrivlet::bench
