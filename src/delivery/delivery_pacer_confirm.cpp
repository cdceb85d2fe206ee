// The pacer's side of confirmation: it looks at a batch's rectangle until
// Confirmation says every mark has shown or been given up on, and sends
// again what it says; and it waits for single dots to show.

#include <algorithm>

#include "delivery/delivery_pacer.h"

namespace scrivlet {
namespace {

// Dots given up on that are still watched, in case they show late.
constexpr std::size_t kMaxUnseen = 64;

}  // namespace

void DeliveryPacer::Confirm(Confirmation& confirmation,
                            const std::vector<StreamPiece>& batch,
                            const ScreenRect& rect) {
  const PacingClock::TimePoint start = confirmation.start();
  // The events go out now (a backend may buffer them), and the first look
  // comes at once: a target that paints as events come may show already.
  // A desktop that reports drawing is looked at once it did; the wait for
  // that sends the events, and the timed look is only a fallback.
  PacingClock::TimePoint look = start;
  if (reports_changes_) {
    look = start + policy_.max_look_interval;
  } else {
    target_->Flush();
  }
  PacingClock::TimePoint last_look = start;
  while (confirmation.Waiting()) {
    if (!AwaitLook(rect, look, last_look)) {
      return;
    }
    // A dot alone that the target has drawn while the screen does not show
    // it yet tells a compositor (a shorter probe). What was drawn is read
    // first: a dot drawn between the two reads then shows in both.
    const Mark& first = confirmation.marks().front();
    std::optional<COLORREF> drawn;
    if (confirmation.Alone() && trust_.WantsDrawnLate() && !first.shown) {
      drawn = looks_.ReadDrawn(first.lead().at);
    }
    const ScreenImage image = looks_.Look(rect, confirmation.Alone());
    ++stats_.looks;
    const PacingClock::TimePoint seen = clock_->Now();
    last_look = seen;
    const LookVerdict verdict = confirmation.Look(
        image, seen, policy_, trust_.TypicalLatency(), !aborted_,
        [this] { return InputHeld(); },
        [this](const Mark& mark) {
          return mark.is_stroke()
                     ? StrokeDrawn(mark)
                     : PixelShows(mark.lead(),
                                  looks_.ReadDrawn(mark.lead().at));
        });
    if (drawn && !first.shown && PixelShows(first.lead(), drawn)) {
      trust_.DrawnBeforeShown();
    }
    Heed(confirmation, verdict, image, seen);
    // Dots held back by another program's grab of the pointer go again
    // once it lets go (delivery_pacer_holds.cpp).
    if (verdict.held) {
      if (!ResendAfterHold(confirmation, batch)) {
        return;
      }
      look = clock_->Now();
      continue;
    }
    // A target kept to one dot at a time would drop repairs close together
    // as well: there they go at the safe pace.
    const PacingClock::Duration repair_pace =
        trust_.Window() == 1 ? trust_.SafePace()
                             : std::max(trust_.Pace(), policy_.min_repair_pace);
    if (verdict.wrong_ink && !aborted_ && ink_) {
      // The target lost the swatch click: it goes again before the dots.
      ink_->taken = false;
      ++stats_.swatch_clicks;
      SendAll(ink_->click);
      Pause(repair_pace);
    }
    for (const std::size_t piece : verdict.repair) {
      std::optional<Segment> part;
      for (const auto& [of, blank] : verdict.parts) {
        part = of == piece ? std::optional(blank) : part;
      }
      if (aborted_) {
        break;
      }
      if (!Repair(batch[piece], part)) {
        // Only a relative dot fails so, on a desktop whose relative moves
        // are not exact pixels: waiting on would ask for it forever.
        confirmation.CannotRepair(piece);
        continue;
      }
      ++stats_.repaired;
      confirmation.Repaired(piece, clock_->Now());
      Pause(repair_pace);
    }
    look = clock_->Now() +
           LookInterval(clock_->Now() - start, reports_changes_, policy_);
  }
  // Dots that cannot be seen to land are sent again if they went while
  // another program held the pointer.
  const bool unconfirmable =
      std::any_of(confirmation.marks().begin(), confirmation.marks().end(),
                  [](const Mark& m) { return !m.wait.expected; });
  if (unconfirmable && !aborted_ && InputHeld() &&
      !ResendAfterHold(confirmation, batch)) {
    return;
  }
  not_landed_ += confirmation.NotLandedAfterHold() +
                 (aborted_ ? 0 : confirmation.NotLandedInTheirInk());
  const BatchOutcome outcome = confirmation.Outcome();
  stats_.safe_paced += outcome.unexpected;
  if (outcome.landed) {
    trust_.BatchLanded(outcome.dots, outcome.lost_dots);
  }
  CheckUnseen();
}

void DeliveryPacer::Heed(const Confirmation& confirmation,
                         const LookVerdict& verdict, const ScreenImage& image,
                         PacingClock::TimePoint seen) {
  for (const std::size_t i : verdict.shown) {
    const Mark& mark = confirmation.marks()[i];
    ++stats_.confirmed;
    if (ink_) {
      ink_->taken = true;
    }
    // A held stroke went only once the target had drawn it: its time to
    // show counts from its press, or the target would look as fast as
    // one that paints as events come.
    const PacingClock::TimePoint sent =
        mark.repairs == 0 && mark.piece < held_from_.size()
            ? held_from_[mark.piece].value_or(mark.sent)
            : mark.sent;
    const PacingClock::Duration latency = seen - sent;
    stats_.late += latency > policy_.trust.confirm_timeout ? 1 : 0;
    trust_.Shown(*mark.lead().before, *image.At(mark.lead().at), latency,
                 confirmation.Alone());
    if (mark.given_up) {
      trust_.ShownLate(*mark.lead().before);
    }
  }
  for (const Mark& mark : confirmation.marks()) {
    stats_.wrong_ink += mark.wrong_ink && mark.repairs == 0 ? 1 : 0;
  }
  if (verdict.new_strays > 0) {
    stats_.strays += verdict.new_strays;
    if (verdict.strays_beside_marks) {
      trust_.InkStrayed();
    } else {
      trust_.InkApart();
    }
  }
  for (const std::size_t i : verdict.given_up) {
    const Mark& mark = confirmation.marks()[i];
    ++stats_.timed_out;
    trust_.Missed(*mark.lead().before);
    if (unseen_.size() < kMaxUnseen) {
      unseen_.push_back(mark);
    }
  }
  // The repairs of one look go together, at the (now slower) pace, as
  // the batch did: sent one by one with a frame between, a target that
  // drops clicks would take a frame per dot.
  if (verdict.dot_lost) {
    trust_.DotLost();
  }
  if ((verdict.stroke_lost || verdict.stroke_overdue) &&
      !LostStrokesDrawn(confirmation, verdict)) {
    if (verdict.stroke_lost) {
      trust_.StrokeLost();
    } else {
      trust_.StrokeOverdue();
    }
  }
}

// A stroke the target has drawn whole was not lost, though the screen does
// not show it yet: mutter now and then shows the last lines of a batch
// only once something else is drawn. It goes again all the same, but it
// does not make every later line wait for its end as well.
bool DeliveryPacer::LostStrokesDrawn(const Confirmation& confirmation,
                                     const LookVerdict& verdict) {
  return std::all_of(confirmation.marks().begin(), confirmation.marks().end(),
                     [&](const Mark& mark) {
                       const bool lost =
                           mark.is_stroke() && !mark.shown && !mark.given_up &&
                           std::find(verdict.repair.begin(),
                                     verdict.repair.end(),
                                     mark.piece) != verdict.repair.end();
                       return !lost || StrokeDrawn(mark);
                     });
}

bool DeliveryPacer::StrokeDrawn(const Mark& mark) {
  return MarkShows(mark,
                   [this](ScreenPoint at) { return looks_.ReadDrawn(at); })
      .has_value();
}

bool DeliveryPacer::Repair(const StreamPiece& piece,
                           const std::optional<Segment>& part) {
  DotInk dot = *piece.dot;
  if (part) {
    // Only the blank part of a line, as a line of its own: redrawing the
    // rest would only go over ink.
    dot.click = LinePartClick(dot, part->from, part->to, stream_.bounds());
    dot.at = part->from;
    dot.stroke =
        part->to != part->from ? std::optional(part->to) : std::nullopt;
  }
  if (dot.relative) {
    if (relative_inexact_ || !MovePointerTo(dot.at)) {
      return false;
    }
  }
  // The blank part of an overdue line goes held: its press lands on a
  // pixel of that line, so once it is drawn the line's end says whether
  // the target took it late or not at all.
  const bool test = part && trust_.TestsStrokes();
  if ((trust_.HoldStrokes() || test) && dot.stroke) {
    const ScreenImage before = looks_.Capture(
        Including(ScreenRect{dot.at.x, dot.at.y, 1, 1}, *dot.stroke));
    SendHeld(dot, before, trust_.HoldStrokeEnds(), test);
  } else {
    SendAll(dot.click);
  }
  // After F8 (seen while a held part waited) the pointer stays put.
  return !dot.relative || aborted_ || MovePointerTo(sent_pointer_);
}

bool DeliveryPacer::AwaitLook(ScreenRect area, PacingClock::TimePoint due,
                              PacingClock::TimePoint last_look, bool drawn) {
  if (!(drawn ? reports_drawn_ : reports_changes_)) {
    const PacingClock::TimePoint now = clock_->Now();
    return due <= now || Pause(due - now);
  }
  for (;;) {
    if (AbortSeen()) {
      return false;
    }
    const PacingClock::TimePoint now = clock_->Now();
    if (now >= due) {
      return true;
    }
    const PacingClock::Duration wait =
        std::min(due - now, policy_.abort_check_interval);
    if (drawn ? target_->WaitForDrawnChange({area.left, area.top}, wait)
              : target_->WaitForScreenChange(area, wait)) {
      const PacingClock::TimePoint changed = clock_->Now();
      const PacingClock::TimePoint earliest = last_look + policy_.min_look_gap;
      if (changed < earliest) {
        clock_->SleepFor(earliest - changed);
      }
      return true;
    }
  }
}

bool DeliveryPacer::WaitShown(ScreenPoint at, std::optional<COLORREF> before,
                              PacingClock::Duration bound, bool drawn) {
  const PacingClock::TimePoint start = clock_->Now();
  for (;;) {
    const std::optional<COLORREF> colour =
        drawn ? looks_.ReadDrawn(at)
              : looks_.Capture({at.x, at.y, 1, 1}).At(at);
    ++stats_.looks;
    const PacingClock::TimePoint now = clock_->Now();
    if (PixelShows({at, before}, colour)) {
      return true;
    }
    const PacingClock::Duration waited = now - start;
    if (!before || waited >= bound) {
      return false;
    }
    // The screen's reports come only once a compositor shows the target's
    // drawing, a frame later: drawn pixels wait for reports of the
    // target's own drawing, or are looked at on the timer.
    const bool reported = drawn ? reports_drawn_ : reports_changes_;
    const PacingClock::TimePoint due =
        now + LookInterval(waited, reported, policy_);
    if (!AwaitLook({at.x, at.y, 1, 1}, std::min(due, start + bound), now,
                   drawn)) {
      return false;
    }
  }
}

void DeliveryPacer::CheckUnseen() {
  if (unseen_.empty()) {
    return;
  }
  const PacingClock::TimePoint now = clock_->Now();
  std::erase_if(unseen_, [&](const Mark& mark) {
    if (MarkShows(mark, [&](ScreenPoint at) { return looks_.ReadPixel(at); })) {
      trust_.ShownLate(*mark.lead().before);
      return true;
    }
    // One still unseen after twice the stall bound never will be.
    return now - mark.sent > 2 * policy_.trust.stall_timeout;
  });
}

}  // namespace scrivlet
