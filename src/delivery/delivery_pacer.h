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
// Relative dots are sent again only after the pointer has been brought
// back onto the dot, checked, and returned to where the stream left it; a
// desktop whose relative moves are not exact pixels (pointer speed on
// Windows) gets one dot at a time, each found where the pointer went.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "delivery/delivery_trust.h"
#include "delivery/dot_stream.h"
#include "delivery/pacing_clock.h"
#include "platform/platform_input.h"

namespace scrivlet {

struct PacingPolicy {
  DeliveryPolicy trust;
  // The first look at the screen after a batch, and the longest gap between
  // looks: a look captures the whole rectangle, so it is never repeated
  // faster than this, and a longer wait looks less often (a quarter of the
  // time waited so far).
  PacingClock::Duration first_look = std::chrono::microseconds(250);
  PacingClock::Duration max_look_interval = std::chrono::milliseconds(8);
  // Where the desktop reports drawing, a look comes as soon as something
  // was drawn, but no sooner than this after the previous look, so that a
  // busy screen elsewhere does not keep the rectangle being read.
  PacingClock::Duration min_look_gap = std::chrono::microseconds(100);
  // How often F8 is looked at during a wait or a paced batch.
  PacingClock::Duration abort_check_interval = std::chrono::milliseconds(10);
  // A dot missing is sent again only once no new dot has shown for this
  // long (about a frame), so that a frame caught half drawn does not count.
  PacingClock::Duration repair_after = std::chrono::milliseconds(20);
  // The least pause after a dot sent again.
  PacingClock::Duration min_repair_pace = std::chrono::microseconds(500);
  // Times a dot is sent again at most.
  int max_repairs = 12;
  // The largest rectangle captured per look; a batch ends before it grows
  // beyond this.
  std::int64_t max_batch_pixels = std::int64_t{256} * 256;
  // While another program holds the pointer, how often delivery asks
  // whether it has let go, and how long it waits before the drawing fails.
  PacingClock::Duration held_poll = std::chrono::milliseconds(10);
  PacingClock::Duration max_held_wait = std::chrono::seconds(60);
};

// What became of the dots and drag strokes so far.
struct PacingStats {
  int dots = 0;        // clicks delivered
  int strokes = 0;     // drag strokes onto a new pixel
  int confirmed = 0;   // dots and strokes seen to land on the screen
  int late = 0;        // of those, seen only after the confirm bound
  int timed_out = 0;   // expected to show but did not within the bound
  int safe_paced = 0;  // could not be seen, sent at the safe pace
  int repaired = 0;    // sent again after later dots showed
  int batches = 0;     // captures before sending
  int looks = 0;       // captures while waiting
  int strays = 0;      // pixels inked where no dot was aimed
  int held = 0;        // waits while another program held the pointer

  friend bool operator==(const PacingStats&, const PacingStats&) = default;
};

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
  InputDelivery SyntheticInputDelivery() override;
  bool DesktopChangedDuringDrawing() override;
  // Dots sent again after another program let go of the pointer that
  // still did not show (see delivery_pacer_holds.cpp).
  int DotsNotLanded() override { return not_landed_; }

 private:
  // A pixel that should change: a dot, or the stroke of a drag.
  struct Mark {
    ScreenPoint at;
    std::optional<COLORREF> before;
    DotWait wait;
    std::size_t piece = 0;  // index in the batch
    bool is_stroke = false;
    bool shown = false;
    bool given_up = false;
    int repairs = 0;
    bool resent_after_hold = false;
    int shown_look = 0;  // the look that first showed it
    PacingClock::TimePoint sent{};
  };

  void Begin();
  void Deliver(bool all);
  void DeliverBatch(std::vector<StreamPiece> batch);
  void DeliverOneFound(StreamPiece piece);
  void Confirm(std::vector<Mark>& marks, const std::vector<StreamPiece>& batch,
               const ScreenRect& rect, const ScreenImage& before);
  bool Repair(const StreamPiece& piece);
  void SendHeld(const DotInk& dot, ScreenRect rect, const ScreenImage& before);
  // Every read of the screen goes through these: a read forgets the last
  // look, which is reused only while nothing has been drawn since it.
  ScreenImage Capture(ScreenRect rect);
  // A look at a batch's rectangle; with a margin around a single dot.
  ScreenImage Look(ScreenRect rect, bool with_margin);
  // The screen before a batch: from the last look where it still holds.
  ScreenImage CaptureBefore(ScreenRect rect);
  // Waits until a look at `area` is due: at `due`, or sooner once the
  // desktop reports drawing there. False once F8 has been seen.
  bool AwaitLook(ScreenRect area, PacingClock::TimePoint due,
                 PacingClock::TimePoint last_look);
  bool WaitShown(ScreenPoint at, std::optional<COLORREF> before,
                 PacingClock::Duration bound);
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
  // Waits until it lets go and sends again every dot of the batch not yet
  // seen; false once F8 was seen. Throws PlatformError after the longest
  // wait.
  bool ResendAfterHold(std::vector<Mark>& marks,
                       const std::vector<StreamPiece>& batch);
  void CountNotLanded(const std::vector<Mark>& marks);

  std::unique_ptr<PlatformInput> target_;
  std::unique_ptr<PacingClock> clock_;
  PacingPolicy policy_;
  DeliveryTrust trust_;
  PacingStats stats_;
  DotStream stream_;
  bool begun_ = false;
  // The desktop reports drawing (see PlatformInput::ReportsScreenChanges).
  bool reports_changes_ = false;
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
  // Dots given up on, in case they show late; bounded.
  std::vector<Mark> unseen_;
  // The last look with its margin, while it is the last read.
  std::optional<ScreenImage> last_look_;
  int not_landed_ = 0;  // in this drawing (DotsNotLanded)
};

}  // namespace scrivlet
