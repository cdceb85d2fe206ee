#pragma once

// Pipelined delivery: many dots in flight, confirmed in batches.
//
// The pacer is a PlatformInput in front of any backend. It passes the
// engine's events on unchanged and in order; only their timing changes.
// It reads them as dots (DotStream), holds a batch of them, captures the
// rectangle around the batch once, sends the batch, and then looks at that
// rectangle again until every dot shows: right after the desktop reports
// drawing where it can (X11 DAMAGE), otherwise at most once per look
// interval.
// A dot that has not shown once later dots have is sent again (the same
// click at the same place: a click on a dot already drawn changes nothing).
// Ink anywhere else in the rectangle means the target is overrun. How many
// dots go per batch and how fast is DeliveryTrust's to decide.
//
// In the target's own colours (InkChosen), each ink's swatch click goes
// as it came, without a mark of its own; the dots after it are confirmed
// only once they show that ink. Until one has, they go one at a time, so
// that a lost swatch click costs one dot, not a batch: a dot in another ink
// gets the swatch clicked again and is drawn again.
//
// Relative dots are sent again only after the pointer has been brought
// back onto the dot, checked, and returned to where the stream left it; a
// desktop whose relative moves are not exact pixels (pointer speed on
// Windows) gets one dot at a time, each found where the pointer went.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "delivery/confirmation.h"
#include "delivery/delivery_trust.h"
#include "delivery/dot_stream.h"
#include "delivery/pacing_clock.h"
#include "delivery/pacing_policy.h"
#include "delivery/screen_looks.h"
#include "platform/platform_input.h"

namespace scrivlet {

class DeliveryPacer final : public PlatformInput {
 public:
  DeliveryPacer(std::unique_ptr<PlatformInput> target,
                std::unique_ptr<PacingClock> clock, PacingPolicy policy = {});

  [[nodiscard]] const PacingStats& stats() const { return stats_; }
  [[nodiscard]] const DeliveryTrust& trust() const { return trust_; }

  ScreenPoint GetCursorPos() override;
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override;
  std::uint16_t GetAsyncKeyState(int virtual_key) override;
  DesktopArea DesktopBounds() override;
  void SetWindowPos(NativeWindow window, ZOrder order) override;
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override;
  ScreenImage CaptureScreenRegion(ScreenRect area) override;
  // Delivers and confirms everything held, then flushes the desktop.
  void Flush() override;
  void DrawingStarted() override;
  void DrawingEnded() override;
  void DrawingAborted() override { Drop(); }
  void InkChosen(ScreenPoint swatch, COLORREF colour) override;
  InputDelivery SyntheticInputDelivery() override;
  bool DesktopChangedDuringDrawing() override;
  // Dots sent again after another program let go of the pointer that
  // still did not show (see delivery_pacer_holds.cpp), and dots given up
  // on in another ink than theirs.
  int DotsNotLanded() override { return not_landed_; }

 private:
  void Begin();
  // Sends the swatch click the stream just completed, as it came.
  void SendSwatchClick();
  void Deliver(bool all);
  void DeliverBatch(std::vector<StreamPiece> batch);
  // `lead_sent`: its moves before the click have gone already.
  void DeliverOneFound(StreamPiece piece, bool lead_sent = false);
  // Looks until every mark has shown or been given up on, repairing.
  void Confirm(Confirmation& confirmation,
               const std::vector<StreamPiece>& batch, const ScreenRect& rect);
  // Counts and tells trust what one look decided.
  void Heed(const Confirmation& confirmation, const LookVerdict& verdict,
            const ScreenImage& image, PacingClock::TimePoint seen);
  // Every stroke the verdict sends again has been drawn by the target,
  // shown yet or not.
  bool LostStrokesDrawn(const Confirmation& confirmation,
                        const LookVerdict& verdict);
  // Every pixel of the mark drawn by the target, shown yet or not.
  bool StrokeDrawn(const Mark& mark);
  // Sends a piece again, or only `part` of its line.
  bool Repair(const StreamPiece& piece,
              const std::optional<Segment>& part = std::nullopt);
  // A stroke held until its press is drawn, and its end too when `whole`;
  // with `test`, the part of an overdue line, which tells trust whether
  // that line was lost (DeliveryTrust::StrokeTested).
  void SendHeld(const DotInk& dot, const ScreenImage& before, bool whole,
                bool test = false);
  // Waits until a look at `area` is due: at `due`, or sooner once the
  // desktop reports drawing there (`drawn`: the target's own drawing at
  // the area's corner, see ReadDrawnPixel). False once F8 has been seen.
  bool AwaitLook(ScreenRect area, PacingClock::TimePoint due,
                 PacingClock::TimePoint last_look, bool drawn = false);
  // Waits until the dot at `at` shows; or, `drawn`, until the target has
  // drawn it, shown yet or not (see SendHeld).
  bool WaitShown(ScreenPoint at, std::optional<COLORREF> before,
                 PacingClock::Duration bound, bool drawn = false);
  bool MovePointerTo(ScreenPoint to);
  bool PointerReaches(ScreenPoint to);
  void Send(const MouseEvent& event);
  void SendAll(const std::vector<MouseEvent>& events);
  // Sleeps, looking at F8 meanwhile; false once F8 has been seen.
  bool Pause(PacingClock::Duration duration);
  bool AbortSeen();
  void CheckUnseen();
  void Drop();
  // Another program holds the pointer (delivery_pacer_holds.cpp).
  bool InputHeld();
  // Waits until it lets go and sends again every mark of the batch not yet
  // seen; false once F8 was seen. Throws PlatformError after the longest
  // wait.
  bool ResendAfterHold(Confirmation& confirmation,
                       const std::vector<StreamPiece>& batch);

  std::unique_ptr<PlatformInput> target_;
  std::unique_ptr<PacingClock> clock_;
  PacingPolicy policy_;
  DeliveryTrust trust_;
  PacingStats stats_;
  ScreenLooks looks_;
  DotStream stream_;
  bool begun_ = false;
  // The desktop reports drawing (see PlatformInput::ReportsScreenChanges).
  bool reports_changes_ = false;
  // And what the target itself draws (ReportsDrawnChanges).
  bool reports_drawn_ = false;
  // It shows taken input late (PlatformInput::TakenInputShowsLate).
  bool taken_shows_late_ = false;
  // Where the pointer is after everything sent so far, as the stream says.
  ScreenPoint sent_pointer_;
  // The desktop's relative moves are not exact pixels: dots are found
  // where the pointer went, one at a time.
  bool relative_inexact_ = false;
  bool aborted_ = false;
  // An F8 press seen by the pacer, handed on at the engine's next query.
  bool abort_pressed_latch_ = false;
  PacingClock::TimePoint next_abort_check_{};
  bool button_down_ = false;  // on the desktop, as sent
  // When each held stroke of the batch being confirmed was pressed.
  std::vector<std::optional<PacingClock::TimePoint>> held_from_;
  // Dots given up on, in case they show late; bounded.
  std::vector<Mark> unseen_;
  int not_landed_ = 0;  // in this drawing (DotsNotLanded)
  // The ink the dots now go in, and its swatch click (see InkChosen).
  struct InkInUse {
    COLORREF colour = 0;
    std::vector<MouseEvent> click;
    bool taken = false;  // a dot has shown it since the last swatch click
  };
  std::optional<InkInUse> ink_;
  bool swatch_next_ = false;  // the next piece is the swatch click
};

}  // namespace scrivlet
