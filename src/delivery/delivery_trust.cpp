#include "delivery/delivery_trust.h"

#include <algorithm>

namespace scrivlet {
namespace {

// Colours remembered at most; a drawing over a photograph meets a new colour
// at almost every dot, and starting afresh is cheaper than growing forever.
constexpr std::size_t kMaxColours = 4096;

}  // namespace

int ProbeDots(const DeliveryPolicy& policy, bool drawn_late) {
  return drawn_late ? std::min(policy.probe_dots, policy.probe_dots_drawn_late)
                    : policy.probe_dots;
}

DeliveryTrust::DeliveryTrust(const DeliveryPolicy& policy)
    : policy_(policy), miss_allowance_(policy.misses_before_safe_pace) {}

PacingClock::Duration DeliveryTrust::SafePace() const {
  if (!typical_latency_) {
    return policy_.safe_pace;
  }
  return std::clamp(2 * *typical_latency_, policy_.safe_pace,
                    std::max(policy_.safe_pace, policy_.confirm_timeout));
}

DotWait DeliveryTrust::WaitFor(std::optional<COLORREF> before) {
  if (!before || before == ink_) {
    return {};
  }
  const ColourRecord& colour = RecordOf(*before);
  if (colour.took_ink && !colour.failed) {
    return {policy_.stall_timeout, true};
  }
  if ((colour.failed && !colour.took_ink) ||
      misses_in_a_row_ >= miss_allowance_) {
    return {};
  }
  // The first dot of a drawing into a busy target must land too.
  if (!colour.took_ink && !drawing_missed_) {
    return {policy_.stall_timeout, true};
  }
  return {policy_.confirm_timeout, true};
}

void DeliveryTrust::Shown(COLORREF before, COLORREF after,
                          PacingClock::Duration latency, bool alone) {
  ink_ = after;
  RecordOf(before).took_ink = true;
  misses_in_a_row_ = 0;
  if (++seen_in_a_row_ >= policy_.dots_to_regain_patience) {
    miss_allowance_ = policy_.misses_before_safe_pace;
  }
  if (!alone) {
    return;
  }
  ++alone_shown_;
  fastest_alone_ =
      fastest_alone_ ? std::min(*fastest_alone_, latency) : latency;
  // A stall says the target was busy, not how long it takes to paint.
  const PacingClock::Duration usual =
      std::min(latency, policy_.confirm_timeout);
  typical_latency_ =
      typical_latency_ ? (7 * *typical_latency_ + usual) / 8 : usual;
}

void DeliveryTrust::Missed(COLORREF before) {
  drawing_missed_ = true;
  RecordOf(before).failed = true;
  seen_in_a_row_ = 0;
  window_before_missed_ = std::max(window_before_missed_, window_);
  ++missing_;
  window_ = 1;
  if (++misses_in_a_row_ >= miss_allowance_) {
    miss_allowance_ = 1;
  }
}

void DeliveryTrust::ShownLate(COLORREF before) {
  ColourRecord& colour = RecordOf(before);
  colour.took_ink = true;
  colour.failed = false;
  misses_in_a_row_ = 0;
  // A stall, not a loss: once every dot given up has shown, the window
  // is what it was.
  if (missing_ > 0 && --missing_ == 0) {
    window_ = Pipelines() ? std::max(window_, window_before_missed_) : window_;
    window_before_missed_ = 1;
  }
}

bool DeliveryTrust::Pipelines() const {
  return !smeared_ && !drops_overlapping_ && calm_left_ == 0 &&
         alone_shown_ >= ProbeDots(policy_, drawn_late_);
}

bool DeliveryTrust::WantsDrawnLate() const {
  return !drawn_late_ && alone_shown_ < policy_.probe_dots &&
         ProbeDots(policy_, true) < policy_.probe_dots;
}

bool DeliveryTrust::PaintsAsEventsCome() const {
  // Behind a compositor a dot shows at the next frame: one that showed
  // fast was sent just before a frame, and a loaded machine makes that
  // common. Taken for a target that paints as events come, it would cap
  // the window and keep it to one dot for good at the first lost click.
  return !drawn_late_ && fastest_alone_ &&
         *fastest_alone_ < policy_.frame_like_latency;
}

void DeliveryTrust::BatchLanded(int dots, int lost) {
  if (calm_left_ > 0 && lost == 0 && --calm_left_ == 0) {
    pace_ = pace_before_apart_;
  }
  if (!Pipelines()) {
    return;
  }
  if (2 * lost > dots) {
    window_ = std::max(1, window_ / 2);
  } else if (4 * lost <= dots && dots >= window_) {
    window_ = std::min(2 * window_, PaintsAsEventsCome()
                                        ? policy_.max_window_as_events_come
                                        : policy_.max_window);
  }
}

void DeliveryTrust::DotLost() {
  if (PaintsAsEventsCome() && window_ > 1) {
    drops_overlapping_ = true;
    window_ = 1;
  }
  pace_ = std::min(pace_ + policy_.pace_step, policy_.safe_pace);
}

void DeliveryTrust::InkStrayed() {
  smeared_ = true;
  calm_left_ = 0;  // for good, whatever strayed apart before
  window_ = 1;
  pace_ = SafePace();
}

void DeliveryTrust::InkApart() {
  if (calm_left_ == 0) {
    pace_before_apart_ = pace_;
  }
  calm_run_ = calm_run_ > 0 ? 2 * calm_run_ : policy_.calm_batches;
  calm_left_ = calm_run_;
  window_ = 1;
  pace_ = SafePace();
}

void DeliveryTrust::NewDrawing() {
  for (auto& [colour, record] : colours_) {
    record.failed = record.failed && !record.took_ink;
  }
  drawing_missed_ = false;
  misses_in_a_row_ = 0;
  miss_allowance_ = policy_.misses_before_safe_pace;
  seen_in_a_row_ = 0;
}

DeliveryTrust::ColourRecord& DeliveryTrust::RecordOf(COLORREF colour) {
  if (colours_.size() >= kMaxColours && !colours_.contains(colour)) {
    colours_.clear();
  }
  return colours_[colour];
}

}  // namespace scrivlet
