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
      trust_(policy.trust),
      looks_(target_.get()) {
  if (!target_ || !clock_) {
    throw PlatformError("The delivery pacer needs a desktop and a clock.");
  }
}

void DeliveryPacer::Begin() {
  stream_.Reset(target_->DesktopBounds(), target_->GetCursorPos());
  sent_pointer_ = stream_.pointer();
  reports_changes_ = target_->ReportsScreenChanges();
  taken_shows_late_ = target_->TakenInputShowsLate();
  if (taken_shows_late_) {
    // A compositor stands between the target and the screen, as a dot seen
    // drawn before it showed tells elsewhere: every dot alone waits for its
    // frame, so the shorter probe; and one shown fast was only sent just
    // before a frame.
    trust_.DrawnBeforeShown();
  }
  looks_.set_reports_changes(reports_changes_);
  reports_drawn_ = target_->ReportsDrawnChanges();
  begun_ = true;
}

ScreenPoint DeliveryPacer::GetCursorPos() {
  Deliver(true);
  if (begun_ && !aborted_ && stream_.button_down()) {
    // A press waits for its release, its moves unsent: the desktop's pointer
    // is still behind them. Where they lead, clipped at the edges as the
    // desktop clips, is what the engine checks a move against (a line run
    // into the screen's edge).
    return stream_.pointer();
  }
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
  if (swatch_next_ && !stream_.ready().empty()) {
    SendSwatchClick();
    return;
  }
  Deliver(false);
}

void DeliveryPacer::InkChosen(ScreenPoint /*swatch*/, COLORREF colour) {
  if (aborted_) {
    return;
  }
  // The dots of the ink before go and are confirmed in that ink first.
  Deliver(true);
  ink_ = InkInUse{colour, {}, false};
  swatch_next_ = true;
}

void DeliveryPacer::SendSwatchClick() {
  swatch_next_ = false;
  StreamPiece piece = std::move(stream_.ready().front());
  stream_.ready().pop_front();
  // The click with its absolute move in front, to be sent again as it
  // stands should a dot show another ink.
  ink_->click = piece.dot ? piece.dot->click : piece.events;
  ++stats_.swatch_clicks;
  try {
    SendAll(piece.events);
  } catch (...) {
    Drop();
    if (button_down_) {
      button_down_ = false;
      target_->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
    }
    throw;
  }
  sent_pointer_ = piece.pointer_after;
  // A browser loses a press that comes right after another: the first dot
  // waits the least safe pace. Measured, not the target's own safe pace
  // (twice its latency): with that mtpaint under mutter went on one dot at
  // a time after the first swatch, for a reason not found yet.
  Pause(policy_.trust.safe_pace);
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
      // The first dot after a swatch click goes alone: it shows whether
      // the target took the click.
      const int window =
          relative_inexact_ || (ink_ && !ink_->taken) ? 1 : trust_.Window();
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
  ScreenImage before = looks_.Before(*rect);
  std::vector<Mark> marks =
      MarksOf(batch, before,
              ink_ ? std::optional<COLORREF>(ink_->colour) : std::nullopt);
  bool all_visible = true;
  for (Mark& mark : marks) {
    mark.wait = trust_.WaitFor(mark.lead().before);
    all_visible = all_visible && (mark.is_stroke() || mark.wait.expected);
  }
  // Dots that can be seen are paced only within a batch: one alone is
  // confirmed before the next goes anyway.
  const PacingClock::Duration pace = !all_visible ? trust_.SafePace()
                                     : marks.back().piece != marks.front().piece
                                         ? trust_.Pace()
                                         : PacingClock::Duration{};

  std::size_t next_mark = 0;
  std::size_t sent = batch.size();
  std::vector<MouseEvent> last_lead;
  held_from_.assign(batch.size(), std::nullopt);
  for (std::size_t i = 0; i < batch.size() && !aborted_; ++i) {
    const StreamPiece& piece = batch[i];
    // This target draws a stroke only while the button is still down when
    // it gets to the move: one at a time, as shown.
    const bool hold = piece.dot && trust_.HoldStrokes() && piece.dot->stroke;
    if (piece.dot && piece.dot->relative) {
      std::vector<MouseEvent> lead = LeadOf(piece);
      SendAll(lead);
      // A desktop that scales relative moves (pointer speed on Windows)
      // shows it at a move unlike the last: from there on dots go one at a
      // time, each found where the pointer went.
      if ((i == 0 || lead != last_lead) && !PointerReaches(piece.dot->at)) {
        relative_inexact_ = true;
        sent = i;
        break;
      }
      last_lead = std::move(lead);
      if (hold) {
        held_from_[i] = clock_->Now();
        SendHeld(*piece.dot, before, trust_.HoldStrokeEnds());
      } else {
        SendAll(piece.dot->click);
      }
    } else if (hold) {
      SendAll(LeadOf(piece));
      held_from_[i] = clock_->Now();
      SendHeld(*piece.dot, before, trust_.HoldStrokeEnds());
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
      stats_.strokes += marks[next_mark].is_stroke() ? 1 : 0;
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
  std::vector<StreamPiece> rest(
      std::make_move_iterator(batch.begin() +
                              static_cast<std::ptrdiff_t>(sent)),
      std::make_move_iterator(batch.end()));
  batch.resize(sent);
  std::erase_if(marks, [&](const Mark& mark) { return mark.piece >= sent; });
  if (relative && rest.empty() && !PointerReaches(sent_pointer_)) {
    // Relative moves must go exactly as far as they say for the dots to be
    // where the stream puts them. Where this batch's dots went is not
    // known: they are not waited for, nor held against the target.
    relative_inexact_ = true;
    for (Mark& mark : marks) {
      mark.wait.expected = false;
    }
  }
  Confirmation confirmation(std::move(marks), std::move(before), unseen_,
                            clock_->Now());
  confirmation.set_taken_shows_late(taken_shows_late_);
  Confirm(confirmation, batch, *rect);
  // The first of the rest has had its lead moves.
  for (std::size_t i = 0; i < rest.size() && !aborted_; ++i) {
    DeliverOneFound(std::move(rest[i]), i == 0);
  }
}

// What matters here is that the target has handled the press, or the
// move, not that the screen shows it: the pixel is read from what the
// target drew, which a compositor shows only a frame later. The line
// itself is confirmed on the screen with its batch.
void DeliveryPacer::SendHeld(const DotInk& dot, const ScreenImage& before,
                             bool whole, bool test) {
  for (const MouseEvent& event : dot.click) {
    if ((event.flags & MOUSEEVENTF_LEFTUP) != 0 && dot.stroke && whole) {
      const std::optional<COLORREF> under = before.At(*dot.stroke);
      WaitShown(*dot.stroke, under, trust_.WaitFor(under).bound, true);
    }
    if ((event.flags & MOUSEEVENTF_MOVE) != 0 && button_down_) {
      // The press must have been drawn before the pointer moves on with
      // the button held, or the target draws from wherever the pointer is.
      const std::optional<COLORREF> under = before.At(dot.at);
      if (WaitShown(dot.at, under, trust_.WaitFor(under).bound, true) && test) {
        // A target takes a line's move whole: drawn, the line's start
        // and end show together.
        trust_.StrokeTested(PixelShows({*dot.stroke, before.At(*dot.stroke)},
                                       looks_.ReadDrawn(*dot.stroke)));
      }
    }
    // F8 during a wait: the line's move would draw it after all.
    if (aborted_) {
      if (button_down_) {
        Send({MOUSEEVENTF_LEFTUP, 0, 0});
      }
      return;
    }
    Send(event);
  }
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
    if ((word & kKeyPressedSinceLastQuery) != 0 && begun_) {
      // The engine stops here, also at a tap already let go: what it has
      // queued is not sent.
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
  return looks_.ReadPixel(at);
}

ScreenImage DeliveryPacer::CaptureScreenRegion(ScreenRect area) {
  return looks_.Capture(area);
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
  ink_.reset();
  swatch_next_ = false;
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
  ink_.reset();
  swatch_next_ = false;
  target_->DrawingEnded();
}

}  // namespace scrivlet
