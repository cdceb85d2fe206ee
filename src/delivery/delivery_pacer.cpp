#include "delivery/delivery_pacer.h"

#include <algorithm>
#include <thread>
#include <utility>

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

// Dots given up on that are still watched, in case they show late.
constexpr std::size_t kMaxUnseen = 64;
// Looks at the pointer, a millisecond apart, before a move counts as not
// gone where it was sent.
constexpr int kPointerTries = 20;
// Pixels a look at one dot reads around it, so that the next dot nearby
// finds its colour there.
constexpr std::int32_t kLookMargin = 4;

ScreenRect Including(const std::optional<ScreenRect>& rect, ScreenPoint at) {
  if (!rect) {
    return {at.x, at.y, 1, 1};
  }
  const std::int32_t left = std::min(rect->left, at.x);
  const std::int32_t top = std::min(rect->top, at.y);
  const std::int32_t right = std::max(rect->left + rect->width, at.x + 1);
  const std::int32_t bottom = std::max(rect->top + rect->height, at.y + 1);
  return {left, top, right - left, bottom - top};
}

std::int64_t Area(const ScreenRect& rect) {
  return std::int64_t{rect.width} * rect.height;
}

bool Covers(const ScreenRect& outer, const ScreenRect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top &&
         inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
}

ScreenImage Crop(const ScreenImage& image, const ScreenRect& rect) {
  ScreenImage part = UnreadScreenImage(rect);
  for (std::int32_t row = 0; row < part.area.height; ++row) {
    for (std::int32_t col = 0; col < part.area.width; ++col) {
      part.pixels[static_cast<std::size_t>(row) *
                      static_cast<std::size_t>(rect.width) +
                  static_cast<std::size_t>(col)] =
          image.At({rect.left + col, rect.top + row});
    }
  }
  return part;
}

bool Changed(const std::optional<COLORREF>& now,
             const std::optional<COLORREF>& before) {
  return now && before && *now != *before;
}

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
      trust_(policy.trust) {
  if (!target_ || !clock_) {
    throw PlatformError("The delivery pacer needs a desktop and a clock.");
  }
}

void DeliveryPacer::Begin() {
  stream_.Reset(target_->DesktopBounds(), target_->GetCursorPos());
  sent_pointer_ = stream_.pointer();
  reports_changes_ = target_->ReportsScreenChanges();
  begun_ = true;
}

ScreenPoint DeliveryPacer::GetCursorPos() {
  Deliver(true);
  return target_->GetCursorPos();
}

void DeliveryPacer::mouse_event(std::uint32_t flags, std::int32_t dx,
                                std::int32_t dy) {
  if (aborted_) {
    // After F8 nothing more is sent; a button still down goes up.
    if ((flags & MOUSEEVENTF_LEFTUP) != 0 && button_down_) {
      Send({MOUSEEVENTF_LEFTUP, 0, 0});
    }
    return;
  }
  if (!begun_) {
    Begin();
  }
  stream_.Feed({flags, dx, dy});
  Deliver(false);
}

void DeliveryPacer::Deliver(bool all) {
  if (!begun_ || aborted_) {
    return;
  }
  if (all) {
    stream_.Close();
  }
  std::deque<StreamPiece>& ready = stream_.ready();
  try {
    while (!ready.empty() && !aborted_) {
      const int window = relative_inexact_ ? 1 : trust_.Window();
      std::size_t take = 0;
      int dots = 0;
      bool full = false;
      std::optional<ScreenRect> rect;
      for (const StreamPiece& piece : ready) {
        if (piece.dot) {
          ScreenRect grown = Including(rect, piece.dot->at);
          if (piece.dot->stroke) {
            grown = Including(grown, *piece.dot->stroke);
          }
          if (dots > 0 && Area(grown) > policy_.max_batch_pixels) {
            full = true;
            break;
          }
          rect = grown;
          ++dots;
        }
        ++take;
        if (dots == window) {
          full = true;
          break;
        }
      }
      if (!full && !all) {
        return;
      }
      std::vector<StreamPiece> batch(
          std::make_move_iterator(ready.begin()),
          std::make_move_iterator(ready.begin() +
                                  static_cast<std::ptrdiff_t>(take)));
      ready.erase(ready.begin(),
                  ready.begin() + static_cast<std::ptrdiff_t>(take));
      DeliverBatch(std::move(batch));
    }
  } catch (...) {
    // No button is left down, and nothing held is sent after an error.
    Drop();
    if (button_down_) {
      button_down_ = false;
      try {
        target_->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
      } catch (...) {  // NOLINT(bugprone-empty-catch): the first error wins
      }
    }
    throw;
  }
}

void DeliveryPacer::DeliverBatch(std::vector<StreamPiece> batch) {
  std::optional<ScreenRect> rect;
  bool relative = false;
  for (const StreamPiece& piece : batch) {
    if (piece.dot) {
      rect = Including(rect, piece.dot->at);
      if (piece.dot->stroke) {
        rect = Including(rect, *piece.dot->stroke);
      }
      relative = relative || piece.dot->relative;
    }
  }
  if (!rect) {
    for (const StreamPiece& piece : batch) {
      SendAll(piece.events);
      sent_pointer_ = piece.pointer_after;
    }
    return;
  }
  if (relative && relative_inexact_) {
    for (StreamPiece& piece : batch) {
      DeliverOneFound(std::move(piece));
    }
    return;
  }

  ++stats_.batches;
  const ScreenImage before = CaptureBefore(*rect);
  std::vector<Mark> marks;
  bool all_visible = true;
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (!batch[i].dot) {
      continue;
    }
    const DotInk& dot = *batch[i].dot;
    Mark mark{dot.at, before.At(dot.at), {}, i};
    mark.wait = trust_.WaitFor(mark.before);
    all_visible = all_visible && mark.wait.expected;
    marks.push_back(mark);
    if (dot.stroke) {
      Mark stroke{*dot.stroke, before.At(*dot.stroke), {}, i, true};
      stroke.wait = trust_.WaitFor(stroke.before);
      marks.push_back(stroke);
    }
  }
  // Dots that can be seen are paced only within a batch: one alone is
  // confirmed before the next goes anyway.
  const PacingClock::Duration pace = !all_visible ? trust_.SafePace()
                                     : marks.back().piece != marks.front().piece
                                         ? trust_.Pace()
                                         : PacingClock::Duration{};

  std::size_t next_mark = 0;
  for (std::size_t i = 0; i < batch.size() && !aborted_; ++i) {
    const StreamPiece& piece = batch[i];
    if (piece.dot && trust_.HoldStrokes() && piece.dot->stroke) {
      // This target draws a stroke only while the button is still down
      // when it gets to the move: one at a time, as shown.
      const std::size_t lead = piece.events.size() - piece.dot->click.size();
      SendAll({piece.events.begin(),
               piece.events.begin() + static_cast<std::ptrdiff_t>(lead)});
      SendHeld(*piece.dot, *rect, before);
    } else {
      SendAll(piece.events);
    }
    sent_pointer_ = piece.pointer_after;
    if (!piece.dot) {
      continue;
    }
    ++stats_.dots;
    const PacingClock::TimePoint now = clock_->Now();
    for (; next_mark < marks.size() && marks[next_mark].piece == i;
         ++next_mark) {
      marks[next_mark].sent = now;
      stats_.strokes += marks[next_mark].is_stroke ? 1 : 0;
    }
    // A batch may take long to send (each click waits for the desktop to
    // take it): F8 is looked at between its dots as in any wait.
    if (pace.count() > 0) {
      Pause(pace);
    } else {
      AbortSeen();
    }
  }
  if (aborted_) {
    return;
  }
  if (relative) {
    // Relative moves must go exactly as far as they say for the dots to be
    // where the stream puts them; a desktop that scales them (pointer speed
    // on Windows) gets one dot at a time from here on.
    if (!PointerReaches(sent_pointer_)) {
      relative_inexact_ = true;
    }
  }
  Confirm(marks, batch, *rect, before);
}

void DeliveryPacer::Confirm(std::vector<Mark>& marks,
                            const std::vector<StreamPiece>& batch,
                            const ScreenRect& rect, const ScreenImage& before) {
  // Pixels where ink is expected, and dots given up on earlier that may
  // still show: ink anywhere else is a stray.
  std::vector<bool> aimed(static_cast<std::size_t>(Area(rect)), false);
  const auto index = [&](ScreenPoint at) -> std::optional<std::size_t> {
    if (at.x < rect.left || at.y < rect.top || at.x >= rect.left + rect.width ||
        at.y >= rect.top + rect.height) {
      return std::nullopt;
    }
    return static_cast<std::size_t>(at.y - rect.top) *
               static_cast<std::size_t>(rect.width) +
           static_cast<std::size_t>(at.x - rect.left);
  };
  for (const Mark& mark : marks) {
    aimed[*index(mark.at)] = true;
  }
  for (const Mark& mark : unseen_) {
    if (const auto at = index(mark.at)) {
      aimed[*at] = true;
    }
  }

  const auto dots_in_batch = std::count_if(
      marks.begin(), marks.end(), [](const Mark& m) { return !m.is_stroke; });
  PacingClock::TimePoint start = clock_->Now();
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
  int strays = 0;
  int look_count = 0;
  int progress_look = 0;
  PacingClock::TimePoint progress_at = start;
  for (;;) {
    const bool waiting =
        std::any_of(marks.begin(), marks.end(), [](const Mark& m) {
          return m.wait.expected && !m.shown && !m.given_up;
        });
    if (!waiting) {
      break;
    }
    if (!AwaitLook(rect, look, last_look)) {
      return;
    }
    const ScreenImage image = Look(rect, dots_in_batch == 1);
    ++stats_.looks;
    const PacingClock::TimePoint seen = clock_->Now();
    last_look = seen;
    bool newly_shown = false;
    for (Mark& mark : marks) {
      if (mark.shown) {
        continue;
      }
      const std::optional<COLORREF> colour = image.At(mark.at);
      if (Changed(colour, mark.before)) {
        mark.shown = true;
        mark.shown_look = look_count + 1;
        newly_shown = true;
        ++stats_.confirmed;
        const PacingClock::Duration latency = seen - mark.sent;
        stats_.late += latency > policy_.trust.confirm_timeout ? 1 : 0;
        trust_.Shown(*mark.before, *colour, latency, dots_in_batch == 1);
        if (mark.given_up) {
          trust_.ShownLate(*mark.before);
        }
      }
    }
    int strays_now = 0;
    for (std::size_t i = 0; i < aimed.size(); ++i) {
      strays_now +=
          !aimed[i] && Changed(image.pixels[i], before.pixels[i]) ? 1 : 0;
    }
    if (strays_now > strays) {
      stats_.strays += strays_now - strays;
      strays = strays_now;
      trust_.InkStrayed();
    }
    // A dot still blank while a later one shows, or while the others have
    // shown and nothing more has come for two looks, was dropped by the
    // target: it is sent again. A click on a dot already drawn changes
    // nothing. A stalled target shows nothing at all, and is waited out.
    ++look_count;
    if (newly_shown) {
      progress_look = look_count;
    }
    // A capture may catch a compositor half-way through a frame: a later
    // dot counts only once it showed in an earlier look, a frame ago.
    if (newly_shown) {
      progress_at = seen;
    }
    const bool settled = progress_look > 0 && look_count > progress_look &&
                         seen - progress_at >= policy_.repair_after;
    // Nothing new for as long as the first dot took, and twice as long at
    // each repair: a stalled target shows nothing either, and must not be
    // given its dots again and again meanwhile.
    const auto quiet_for = [&](const Mark& mark) {
      return settled && seen - progress_at >= std::max(policy_.repair_after,
                                                       progress_at - start) *
                                                  (1 << mark.repairs);
    };
    // A dot sent alone that has not shown in several times the target's
    // usual time was dropped or is stalled; sent again, a click on the same
    // place does no harm either way, with the same backing off.
    const auto alone_overdue = [&](const Mark& mark) {
      const auto usual = trust_.TypicalLatency();
      return dots_in_batch == 1 && progress_look == 0 && usual &&
             seen - mark.sent >= std::max(policy_.repair_after, 4 * *usual) *
                                     (1 << mark.repairs);
    };
    std::optional<std::size_t> last_shown;
    for (const Mark& mark : marks) {
      if (mark.shown && mark.shown_look < look_count) {
        last_shown = mark.piece;
      }
    }
    // A dot due to go again or to be given up on may have been held back
    // by another program's grab of the pointer (delivery_pacer_holds.cpp).
    const auto due = [&](const Mark& mark) {
      return !mark.shown && !mark.given_up && mark.wait.expected &&
             ((settled && last_shown &&
               (*last_shown > mark.piece || quiet_for(mark))) ||
              alone_overdue(mark) || seen - mark.sent >= mark.wait.bound);
    };
    if (std::any_of(marks.begin(), marks.end(), due) && InputHeld()) {
      if (!ResendAfterHold(marks, batch)) {
        return;
      }
      start = progress_at = look = clock_->Now();
      continue;
    }
    std::vector<std::size_t> to_repair;
    bool dot_lost = false;
    bool stroke_lost = false;
    for (Mark& mark : marks) {
      if (mark.shown || mark.given_up || !mark.wait.expected || aborted_) {
        continue;
      }
      if (((settled && last_shown &&
            (*last_shown > mark.piece || quiet_for(mark))) ||
           alone_overdue(mark)) &&
          mark.repairs < policy_.max_repairs) {
        if (std::find(to_repair.begin(), to_repair.end(), mark.piece) ==
            to_repair.end()) {
          to_repair.push_back(mark.piece);
        }
        stroke_lost = stroke_lost || mark.is_stroke;
        dot_lost = dot_lost || !mark.is_stroke;
        continue;
      }
      if (seen - mark.sent >= mark.wait.bound) {
        mark.given_up = true;
        ++stats_.timed_out;
        trust_.Missed(*mark.before);
        if (unseen_.size() < kMaxUnseen) {
          unseen_.push_back(mark);
        }
      }
    }
    // The repairs of one look go together, at the (now slower) pace, as
    // the batch did: sent one by one with a frame between, a target that
    // drops clicks would take a frame per dot.
    if (!to_repair.empty()) {
      if (dot_lost) {
        trust_.DotLost();
      }
      if (stroke_lost) {
        trust_.StrokeLost();
      }
    }
    // A target kept to one dot at a time would drop repairs close together
    // as well: there they go at the safe pace.
    const PacingClock::Duration repair_pace =
        trust_.Window() == 1 ? trust_.SafePace()
                             : std::max(trust_.Pace(), policy_.min_repair_pace);
    for (const std::size_t piece : to_repair) {
      if (aborted_ || !Repair(batch[piece])) {
        break;
      }
      ++stats_.repaired;
      const PacingClock::TimePoint sent = clock_->Now();
      for (Mark& mark : marks) {
        if (mark.piece == piece) {
          mark.sent = sent;
          ++mark.repairs;
        }
      }
      Pause(repair_pace);
    }
    const PacingClock::Duration waited = clock_->Now() - start;
    look = clock_->Now() + (reports_changes_
                                ? policy_.max_look_interval
                                : std::clamp(waited / 4, policy_.first_look,
                                             policy_.max_look_interval));
  }
  // Dots that cannot be seen to land are sent again if they went while
  // another program held the pointer.
  if (std::any_of(marks.begin(), marks.end(),
                  [](const Mark& m) { return !m.wait.expected; }) &&
      InputHeld() && !ResendAfterHold(marks, batch)) {
    return;
  }
  CountNotLanded(marks);
  int dots = 0;
  int lost_dots = 0;
  for (const Mark& mark : marks) {
    stats_.safe_paced += mark.wait.expected ? 0 : 1;
    dots += mark.is_stroke ? 0 : 1;
    lost_dots += !mark.is_stroke && mark.repairs > 0 ? 1 : 0;
  }
  if (strays == 0 && std::all_of(marks.begin(), marks.end(), [](const Mark& m) {
        return m.shown || !m.wait.expected;
      })) {
    trust_.BatchLanded(dots, lost_dots);
  }
  CheckUnseen();
}

bool DeliveryPacer::Repair(const StreamPiece& piece) {
  const DotInk& dot = *piece.dot;
  if (dot.relative) {
    if (relative_inexact_ || !MovePointerTo(dot.at)) {
      return false;
    }
  }
  if (trust_.HoldStrokes() && dot.stroke) {
    const ScreenImage before =
        Capture(Including(ScreenRect{dot.at.x, dot.at.y, 1, 1}, *dot.stroke));
    SendHeld(dot, before.area, before);
  } else {
    SendAll(dot.click);
  }
  return !dot.relative || MovePointerTo(sent_pointer_);
}

void DeliveryPacer::SendHeld(const DotInk& dot, ScreenRect /*rect*/,
                             const ScreenImage& before) {
  for (const MouseEvent& event : dot.click) {
    if ((event.flags & MOUSEEVENTF_LEFTUP) != 0 && dot.stroke) {
      const std::optional<COLORREF> under = before.At(*dot.stroke);
      WaitShown(*dot.stroke, under, trust_.WaitFor(under).bound);
    }
    if (aborted_ && button_down_) {
      Send({MOUSEEVENTF_LEFTUP, 0, 0});
      return;
    }
    if ((event.flags & MOUSEEVENTF_MOVE) != 0 && button_down_) {
      // The press must have shown before the pointer moves on with the
      // button held, or the target draws from wherever the pointer is.
      const std::optional<COLORREF> under = before.At(dot.at);
      WaitShown(dot.at, under, trust_.WaitFor(under).bound);
    }
    Send(event);
  }
}

ScreenImage DeliveryPacer::Capture(ScreenRect rect) {
  last_look_.reset();
  return target_->CaptureScreenRegion(rect);
}

ScreenImage DeliveryPacer::Look(ScreenRect rect, bool with_margin) {
  if (!reports_changes_ || !with_margin) {
    return Capture(rect);
  }
  last_look_ = target_->CaptureScreenRegion(
      {rect.left - kLookMargin, rect.top - kLookMargin,
       rect.width + 2 * kLookMargin, rect.height + 2 * kLookMargin});
  return Crop(*last_look_, rect);
}

ScreenImage DeliveryPacer::CaptureBefore(ScreenRect rect) {
  // The last look still shows the screen if nothing has been drawn since:
  // one dot at a time into a target that paints at once, the round trip of
  // another capture is a good part of each dot's time.
  if (reports_changes_ && last_look_ && Covers(last_look_->area, rect) &&
      !target_->WaitForScreenChange(rect, PacingClock::Duration{})) {
    return Crop(*last_look_, rect);
  }
  return Capture(rect);
}

bool DeliveryPacer::AwaitLook(ScreenRect area, PacingClock::TimePoint due,
                              PacingClock::TimePoint last_look) {
  if (!reports_changes_) {
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
    if (target_->WaitForScreenChange(
            area, std::min(due - now, policy_.abort_check_interval))) {
      const PacingClock::TimePoint drawn = clock_->Now();
      const PacingClock::TimePoint earliest = last_look + policy_.min_look_gap;
      if (drawn < earliest) {
        clock_->SleepFor(earliest - drawn);
      }
      return true;
    }
  }
}

bool DeliveryPacer::WaitShown(ScreenPoint at, std::optional<COLORREF> before,
                              PacingClock::Duration bound) {
  const PacingClock::TimePoint start = clock_->Now();
  for (;;) {
    const ScreenImage image = Capture({at.x, at.y, 1, 1});
    ++stats_.looks;
    const PacingClock::TimePoint now = clock_->Now();
    if (Changed(image.At(at), before)) {
      return true;
    }
    const PacingClock::Duration waited = now - start;
    if (!before || waited >= bound) {
      return false;
    }
    const PacingClock::TimePoint due =
        now + (reports_changes_ ? policy_.max_look_interval
                                : std::clamp(waited / 4, policy_.first_look,
                                             policy_.max_look_interval));
    if (!AwaitLook({at.x, at.y, 1, 1}, std::min(due, start + bound), now)) {
      return false;
    }
  }
}

void DeliveryPacer::DeliverOneFound(StreamPiece piece) {
  if (!piece.dot) {
    SendAll(piece.events);
    return;
  }
  DotInk dot = *piece.dot;
  const std::size_t lead = piece.events.size() - dot.click.size();
  SendAll({piece.events.begin(),
           piece.events.begin() + static_cast<std::ptrdiff_t>(lead)});
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
  const ScreenImage before = Capture(rect);
  SendHeld(dot, rect, before);
  ++stats_.dots;
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

void DeliveryPacer::Send(const MouseEvent& event) {
  // Counted as down before the call: a desktop that fails half-way may
  // still have pressed the button.
  if ((event.flags & MOUSEEVENTF_LEFTDOWN) != 0) {
    button_down_ = true;
  }
  target_->mouse_event(event.flags, event.dx, event.dy);
  if ((event.flags & MOUSEEVENTF_LEFTUP) != 0) {
    button_down_ = false;
  }
}

void DeliveryPacer::SendAll(const std::vector<MouseEvent>& events) {
  for (const MouseEvent& event : events) {
    Send(event);
  }
}

bool DeliveryPacer::Pause(PacingClock::Duration duration) {
  const PacingClock::TimePoint end = clock_->Now() + duration;
  for (;;) {
    if (AbortSeen()) {
      return false;
    }
    const PacingClock::TimePoint now = clock_->Now();
    if (now >= end) {
      return true;
    }
    clock_->SleepFor(std::min(end - now, policy_.abort_check_interval));
  }
}

bool DeliveryPacer::AbortSeen() {
  if (aborted_) {
    return true;
  }
  const PacingClock::TimePoint now = clock_->Now();
  if (now < next_abort_check_) {
    return false;
  }
  next_abort_check_ = now + policy_.abort_check_interval;
  const std::uint16_t word = target_->GetAsyncKeyState(VK_F8);
  if ((word & kKeyPressedSinceLastQuery) != 0) {
    abort_pressed_latch_ = true;
  }
  if ((word & (kKeyDown | kKeyPressedSinceLastQuery)) != 0) {
    Drop();
  }
  // A desktop that changed size sends no more dots; the drawing ends at its
  // next look at the desktop, so nothing is waited for meanwhile.
  if (!aborted_ && target_->DesktopChangedDuringDrawing()) {
    Drop();
  }
  return aborted_;
}

void DeliveryPacer::CheckUnseen() {
  if (unseen_.empty()) {
    return;
  }
  const PacingClock::TimePoint now = clock_->Now();
  std::erase_if(unseen_, [&](const Mark& mark) {
    last_look_.reset();
    if (Changed(target_->ReadScreenPixel(mark.at), mark.before)) {
      trust_.ShownLate(*mark.before);
      return true;
    }
    // One still unseen after twice the stall bound never will be.
    return now - mark.sent > 2 * policy_.trust.stall_timeout;
  });
}

void DeliveryPacer::Drop() {
  aborted_ = true;
  stream_.ready().clear();
}

std::uint16_t DeliveryPacer::GetAsyncKeyState(int virtual_key) {
  std::uint16_t word = target_->GetAsyncKeyState(virtual_key);
  if (virtual_key == VK_F8) {
    if (std::exchange(abort_pressed_latch_, false)) {
      word |= kKeyPressedSinceLastQuery;
    }
    if (word == kFreshKeyPress && begun_) {
      // The engine stops here: what it has queued is not sent.
      Drop();
    }
  }
  return word;
}

DesktopArea DeliveryPacer::DesktopBounds() { return target_->DesktopBounds(); }

void DeliveryPacer::SetWindowPos(NativeWindow window, ZOrder order) {
  target_->SetWindowPos(window, order);
}

std::optional<COLORREF> DeliveryPacer::ReadScreenPixel(ScreenPoint at) {
  last_look_.reset();
  return target_->ReadScreenPixel(at);
}

ScreenImage DeliveryPacer::CaptureScreenRegion(ScreenRect area) {
  return Capture(area);
}

void DeliveryPacer::Flush() {
  Deliver(true);
  target_->Flush();
  // Whatever comes next starts from where the pointer really is.
  begun_ = false;
  aborted_ = false;
}

void DeliveryPacer::DrawingStarted() {
  target_->DrawingStarted();
  not_landed_ = 0;
  trust_.NewDrawing();
  begun_ = false;
  aborted_ = false;
  unseen_.clear();
}

void DeliveryPacer::DrawingEnded() {
  Deliver(true);
  if (button_down_) {
    Send({MOUSEEVENTF_LEFTUP, 0, 0});
  }
  target_->Flush();
  begun_ = false;
  aborted_ = false;
  target_->DrawingEnded();
}

}  // namespace scrivlet
