#include "platform/delivery_pacer.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/absolute_mapping.h"

namespace scrivlet {
namespace {

class SteadyPacingClock final : public PacingClock {
 public:
  TimePoint Now() override {
    return std::chrono::time_point_cast<Duration>(
        std::chrono::steady_clock::now());
  }
  void SleepFor(Duration duration) override {
    std::this_thread::sleep_for(duration);
  }
};

constexpr std::uint32_t kButtonFlags =
    MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;

}  // namespace

std::unique_ptr<PacingClock> MakeSteadyPacingClock() {
  return std::make_unique<SteadyPacingClock>();
}

DeliveryPacer::DeliveryPacer(std::unique_ptr<PlatformInput> target,
                             std::unique_ptr<PacingClock> clock,
                             PacingPolicy policy)
    : target_(std::move(target)),
      clock_(std::move(clock)),
      policy_(policy),
      miss_allowance_(policy.misses_before_safe_pace) {
  if (!target_ || !clock_) {
    throw PlatformError("The delivery pacer needs a desktop and a clock.");
  }
}

ScreenPoint DeliveryPacer::GetCursorPos() { return target_->GetCursorPos(); }

void DeliveryPacer::mouse_event(std::uint32_t flags, std::int32_t dx,
                                std::int32_t dy) {
  // Whatever follows a dot (the move to the next one, or another press)
  // waits until the target has painted it.
  if (pending_) {
    WaitForPendingDot();
  }
  TrackMove(flags, dx, dy);
  if ((flags & MOUSEEVENTF_LEFTDOWN) != 0 && !button_down_) {
    PressAt(flags, dx, dy);
  } else {
    target_->mouse_event(flags, dx, dy);
  }
  if ((flags & MOUSEEVENTF_LEFTUP) != 0 && button_down_) {
    button_down_ = false;
    current_.released = clock_->Now();
    pending_ = current_;
    ++stats_.dots;
  }
}

void DeliveryPacer::PressAt(std::uint32_t flags, std::int32_t dx,
                            std::int32_t dy) {
  // The colour under the dot must be read after the pointer got there and
  // before the button goes down, so a move sent with the press goes first.
  if ((flags & MOUSEEVENTF_MOVE) != 0) {
    target_->mouse_event(flags & ~kButtonFlags, dx, dy);
    flags &= ~MOUSEEVENTF_MOVE;
  }
  current_.at = PointerPosition();
  current_.before = target_->ReadScreenPixel(current_.at);
  target_->mouse_event(flags, dx, dy);
  button_down_ = true;
}

void DeliveryPacer::TrackMove(std::uint32_t flags, std::int32_t dx,
                              std::int32_t dy) {
  if ((flags & MOUSEEVENTF_MOVE) == 0) {
    return;
  }
  if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
    aimed_at_ = {dx, dy};
  } else {
    aimed_at_.reset();
  }
}

ScreenPoint DeliveryPacer::PointerPosition() {
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

void DeliveryPacer::WaitForPendingDot() {
  const Dot dot = *std::exchange(pending_, std::nullopt);
  const bool visible = dot.before.has_value() && dot.before != ink_;
  const bool aborting = AbortKeyHeld();
  const bool trusted =
      visible && !aborting && misses_in_a_row_ < miss_allowance_;
  // While F8 is held the column is finished at the plain floor pace, even
  // for a slow target: stopping soon matters more than the last dots.
  const PacingClock::Duration bound = trusted    ? policy_.confirm_timeout
                                      : aborting ? policy_.safe_pace
                                                 : SafePace();

  if (PollUntilChanged(dot, bound)) {
    ++stats_.confirmed;
    misses_in_a_row_ = 0;
    if (++seen_in_a_row_ >= policy_.dots_to_regain_patience) {
      miss_allowance_ = policy_.misses_before_safe_pace;
    }
    return;
  }
  if (trusted) {
    ++stats_.timed_out;
  } else {
    ++stats_.safe_paced;
  }
  // Only a dot that could have shown and did not is evidence that the
  // target does not show dots; ink over ink or an abort says nothing.
  if (visible && !aborting) {
    seen_in_a_row_ = 0;
    if (++misses_in_a_row_ >= miss_allowance_) {
      miss_allowance_ = 1;
    }
  }
}

bool DeliveryPacer::PollUntilChanged(const Dot& dot,
                                     PacingClock::Duration bound) {
  const PacingClock::TimePoint deadline = dot.released + bound;
  for (;;) {
    if (dot.before) {
      const std::optional<COLORREF> now = target_->ReadScreenPixel(dot.at);
      if (now && now != dot.before) {
        ink_ = now;
        LearnLatency(clock_->Now() - dot.released);
        return true;
      }
    }
    const PacingClock::TimePoint now = clock_->Now();
    if (now >= deadline) {
      return false;
    }
    const PacingClock::Duration left = deadline - now;
    clock_->SleepFor(dot.before ? std::min(policy_.poll_interval, left) : left);
  }
}

PacingClock::Duration DeliveryPacer::SafePace() const {
  if (!typical_latency_) {
    return policy_.safe_pace;
  }
  return std::clamp(2 * *typical_latency_, policy_.safe_pace,
                    std::max(policy_.safe_pace, policy_.confirm_timeout));
}

void DeliveryPacer::LearnLatency(PacingClock::Duration latency) {
  // A running average that follows the target within some ten dots but is
  // not thrown by one slow dot.
  typical_latency_ =
      typical_latency_ ? (7 * *typical_latency_ + latency) / 8 : latency;
}

bool DeliveryPacer::AbortKeyHeld() {
  const std::uint16_t word = target_->GetAsyncKeyState(VK_F8);
  if ((word & kKeyPressedSinceLastQuery) != 0) {
    abort_pressed_latch_ = true;
  }
  return (word & kKeyDown) != 0;
}

std::uint16_t DeliveryPacer::GetAsyncKeyState(int virtual_key) {
  std::uint16_t word = target_->GetAsyncKeyState(virtual_key);
  if (virtual_key == VK_F8 && std::exchange(abort_pressed_latch_, false)) {
    word |= kKeyPressedSinceLastQuery;
  }
  return word;
}

DesktopArea DeliveryPacer::DesktopBounds() { return target_->DesktopBounds(); }

void DeliveryPacer::SetWindowPos(NativeWindow window, ZOrder order) {
  target_->SetWindowPos(window, order);
}

std::optional<COLORREF> DeliveryPacer::ReadScreenPixel(ScreenPoint at) {
  return target_->ReadScreenPixel(at);
}

void DeliveryPacer::Flush() { target_->Flush(); }

}  // namespace scrivlet
