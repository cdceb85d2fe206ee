// The pacer while another program holds the pointer (an open popup menu, a
// screenshot tool choosing an area): every event sent then goes to that
// program, and no dot lands. Dots missing then are not the target's fault:
// delivery waits until the pointer is let go, F8 still working, and sends
// them again with no mark against the target's trust. Dots sent again that
// still do not show make the drawing incomplete (DotsNotLanded).

#include <algorithm>
#include <string>

#include "delivery/delivery_pacer.h"

namespace scrivlet {

InputDelivery DeliveryPacer::SyntheticInputDelivery() {
  return target_->SyntheticInputDelivery();
}

bool DeliveryPacer::DesktopChangedDuringDrawing() {
  return target_->DesktopChangedDuringDrawing();
}

bool DeliveryPacer::InputHeld() {
  return target_->SyntheticInputDelivery() ==
         InputDelivery::HeldByAnotherProgram;
}

bool DeliveryPacer::ResendAfterHold(Confirmation& confirmation,
                                    const std::vector<StreamPiece>& batch) {
  ++stats_.held;
  const PacingClock::TimePoint give_up = clock_->Now() + policy_.max_held_wait;
  while (InputHeld()) {
    if (clock_->Now() >= give_up) {
      throw PlatformError(
          "Another program has held the pointer for " +
          std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                             policy_.max_held_wait)
                             .count()) +
          " s (an open menu or a screenshot tool?); the dots sent meanwhile "
          "did not reach the drawing.");
    }
    if (!Pause(policy_.held_poll)) {
      return false;
    }
  }
  const PacingClock::Duration pace =
      std::max(trust_.Pace(), policy_.min_repair_pace);
  std::vector<std::size_t> sent;
  for (const Mark& mark : confirmation.marks()) {
    if (mark.shown || mark.given_up ||
        std::find(sent.begin(), sent.end(), mark.piece) != sent.end()) {
      continue;
    }
    if (aborted_ || !Repair(batch[mark.piece])) {
      return !aborted_;
    }
    sent.push_back(mark.piece);
    if (!Pause(pace)) {
      return false;
    }
  }
  confirmation.ResentAfterHold(clock_->Now());
  return true;
}

}  // namespace scrivlet
