// Where the pointer really went: relative moves on a desktop that does not
// move them exact pixels, and dots found there one at a time.

#include <chrono>

#include "delivery/delivery_pacer.h"

namespace scrivlet {
namespace {

// Looks at the pointer, a millisecond apart, before a move counts as not
// gone where it was sent.
constexpr int kPointerTries = 20;

}  // namespace

void DeliveryPacer::DeliverOneFound(StreamPiece piece, bool lead_sent) {
  if (!lead_sent) {
    SendAll(LeadOf(piece));
  }
  if (!piece.dot) {
    return;
  }
  DotInk dot = *piece.dot;
  target_->Flush();
  const ScreenPoint went = target_->GetCursorPos();
  if (dot.stroke) {
    dot.stroke = ScreenPoint{went.x + dot.stroke->x - dot.at.x,
                             went.y + dot.stroke->y - dot.at.y};
  }
  dot.at = went;
  ScreenRect rect{went.x, went.y, 1, 1};
  if (dot.stroke) {
    rect = Including(rect, *dot.stroke);
  }
  const ScreenImage before = looks_.Capture(rect);
  // A dot found alone is not repaired: its stroke is held whole.
  SendHeld(dot, before, true);
  ++stats_.dots;
  stats_.strokes += dot.stroke ? 1 : 0;
  const DotWait wait = trust_.WaitFor(before.At(dot.at));
  if (!wait.expected) {
    ++stats_.safe_paced;
    Pause(trust_.SafePace());
  } else if (WaitShown(dot.at, before.At(dot.at), wait.bound)) {
    ++stats_.confirmed;
  } else if (!aborted_) {
    ++stats_.timed_out;
    trust_.Missed(*before.At(dot.at));
  }
}

bool DeliveryPacer::MovePointerTo(ScreenPoint to) {
  target_->Flush();
  const ScreenPoint from = target_->GetCursorPos();
  if (from != to) {
    Send({MOUSEEVENTF_MOVE, to.x - from.x, to.y - from.y});
  }
  if (!PointerReaches(to)) {
    relative_inexact_ = true;
    return false;
  }
  return true;
}

bool DeliveryPacer::PointerReaches(ScreenPoint to) {
  // The X server may apply injected motion a moment after the round trip
  // that flushed it (its input thread), so a pointer still short of the
  // place is given a few milliseconds before it counts as elsewhere.
  target_->Flush();
  for (int tries = 0; tries < kPointerTries; ++tries) {
    if (target_->GetCursorPos() == to) {
      return true;
    }
    clock_->SleepFor(std::chrono::milliseconds(1));
  }
  return target_->GetCursorPos() == to;
}

}  // namespace scrivlet
