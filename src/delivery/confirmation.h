#pragma once

// Confirmation: what the looks at the screen after a batch say. Pure: the
// pacer sends and captures; this decides, from the batch's marks, the
// screen before the batch, each look and the time it was taken, which
// marks have shown, how many pixels were inked where nothing was aimed,
// which pieces to send again and which marks to give up on.
//
// A mark is the set of pixels one piece of the stream should change, and
// shows once every one of them has. A dot is one pixel, and the stroke of
// a drag its end pixel, a mark of its own (a target may draw the dot and
// drop the stroke). A line's stroke is checked at up to seven pixels after
// its press, every k-th and its end: eight with the press. A target draws the
// line of one motion event whole or loses a run of it (the part it had not
// drawn when the button went up, a part under a window): a run longer than the
// spacing is seen, each look stays cheap for a batch of 256 lines, and which
// part to draw again is read from the look along the whole line. Once its
// checks show, a line is read whole before it counts as shown: a target
// also leaves a single pixel blank between two checks now and then. A pixel
// shows when it no longer has its colour from before the batch; drawn in one of
// the target's inks, only when it shows that ink. One that changed to another
// colour is in the wrong ink (the target missed the swatch click): it is
// drawn again at once, after the swatch is clicked again.

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "delivery/delivery_trust.h"
#include "delivery/dot_stream.h"
#include "delivery/pacing_clock.h"
#include "delivery/pacing_policy.h"
#include "platform/platform_input.h"

namespace scrivlet {

struct ExpectedPixel {
  ScreenPoint at;
  std::optional<COLORREF> before;  // the screen there before the batch
  std::optional<COLORREF> ink{};   // the ink it should show; none: any
};

// Whether two colours are the same ink: each channel within a few steps,
// as a screen of fewer bits or a target's colour management shifts them.
[[nodiscard]] bool SameInk(COLORREF a, COLORREF b);

// Whether `now` shows ink at `pixel`, its own if it has one; an unreadable
// colour never does.
[[nodiscard]] bool PixelShows(const ExpectedPixel& pixel,
                              std::optional<COLORREF> now);

// Whether `now` shows some other colour than `pixel`'s ink and its colour
// before: ink, but not the one expected.
[[nodiscard]] bool PixelInOtherInk(const ExpectedPixel& pixel,
                                   std::optional<COLORREF> now);

enum class MarkKind : std::uint8_t { kDot, kStroke };

// A straight line, both ends included.
struct Segment {
  ScreenPoint from;
  ScreenPoint to;
  friend bool operator==(const Segment&, const Segment&) = default;
};

struct Mark {
  std::vector<ExpectedPixel> pixels;  // never empty; the first leads
  MarkKind kind = MarkKind::kDot;
  std::size_t piece = 0;  // the index of its piece in the batch
  DotWait wait;           // for the lead pixel's colour
  bool shown = false;
  bool given_up = false;
  int repairs = 0;
  bool resent_after_hold = false;  // sent again once the pointer was let go
  bool wrong_ink = false;          // seen in another ink, and sent again
  bool drawn_unshown = false;      // sent again though drawn, not yet shown
  bool line_press = false;         // the dot of a line's press
  bool stalled = false;  // a line's press sent again with nothing newer shown
  // When the target was first seen to have drawn it, not yet shown, since
  // it was last sent.
  std::optional<PacingClock::TimePoint> drawn_at{};
  // When it was first due to go again with no later mark shown, on a
  // desktop that shows taken input late, since it was last sent.
  std::optional<PacingClock::TimePoint> behind_at{};
  int shown_look = 0;  // the look that first showed it, from 1
  PacingClock::TimePoint sent{};
  // A line's stroke: every pixel of it is aimed at, not only the checked.
  std::optional<Segment> line{};

  [[nodiscard]] const ExpectedPixel& lead() const { return pixels.front(); }
  [[nodiscard]] bool is_stroke() const { return kind == MarkKind::kStroke; }
};

// The lead pixel's colour now, if every pixel of `mark` shows by `read`.
[[nodiscard]] std::optional<COLORREF> MarkShows(
    const Mark& mark,
    const std::function<std::optional<COLORREF>(ScreenPoint)>& read);

// The marks of a batch, over the screen `before` it: each dot, and the
// stroke of a drag or a line after it, all to show `ink` where given.
// Their waits are the pacer's to set.
[[nodiscard]] std::vector<Mark> MarksOf(
    const std::vector<StreamPiece>& batch, const ScreenImage& before,
    std::optional<COLORREF> ink = std::nullopt);

// What one look decided.
struct LookVerdict {
  std::vector<std::size_t> shown;   // marks first seen at this look
  int new_strays = 0;               // pixels newly inked where none aimed
  std::vector<std::size_t> repair;  // pieces to send again, in order
  // Of those, lines whose press showed: only this part is drawn again.
  std::vector<std::pair<std::size_t, Segment>> parts;
  bool dot_lost = false;     // a dot among them, lost
  bool stroke_lost = false;  // a stroke among them, lost
  // A stroke among them still blank long after its press showed, with no
  // later stroke shown: lost, or only late.
  bool stroke_overdue = false;
  bool wrong_ink = false;             // some go again for showing another ink
  std::vector<std::size_t> given_up;  // marks given up on at this look
  // A mark was due to go again or to be given up on while `held` said
  // another program held the pointer: nothing was decided.
  bool held = false;
  // Some stray touches a pixel where ink was aimed: a line from a dot,
  // not something passing across the rectangle.
  bool strays_beside_marks = false;
};

// What became of the batch once nothing is awaited any more.
struct BatchOutcome {
  int dots = 0;         // dot marks (not strokes)
  int lost_dots = 0;    // of those, sent again at least once
  int unexpected = 0;   // marks not expected to show (sent at the safe pace)
  bool landed = false;  // every expected mark showed, and nothing strayed
};

class Confirmation {
 public:
  // `earlier` are marks given up on in earlier batches: they may still
  // show, and their ink is not a stray.
  Confirmation(std::vector<Mark> marks, ScreenImage before,
               const std::vector<Mark>& earlier, PacingClock::TimePoint start);

  [[nodiscard]] const std::vector<Mark>& marks() const { return marks_; }
  [[nodiscard]] PacingClock::TimePoint start() const { return start_; }
  // Whether a mark expected to show has neither shown nor been given up.
  [[nodiscard]] bool Waiting() const;
  // Whether the batch holds a single dot: its latency is the target's own.
  [[nodiscard]] bool Alone() const { return dots_ == 1; }

  // A look at the batch's rectangle, taken at `seen`. `typical` is how
  // long the target usually takes to show a dot sent alone. With `decide`
  // false (F8 seen) nothing is sent again or given up on. `held`, asked
  // only once a mark is due, says whether another program holds the
  // pointer: its dots are not the target's loss. `drawn`, asked only of a
  // dot due to go again or a stroke blank for the quiet time, says whether
  // the target has drawn it already (a compositor shows it a frame or a
  // stall later): it goes again, but not as a dot lost, and such a stroke
  // waits no longer than a dot.
  LookVerdict Look(const ScreenImage& image, PacingClock::TimePoint seen,
                   const PacingPolicy& policy,
                   std::optional<PacingClock::Duration> typical, bool decide,
                   const std::function<bool()>& held = {},
                   const std::function<bool(const Mark&)>& drawn = {});
  // The desktop takes every event before a look and shows what the target
  // drew of them late (PlatformInput::TakenInputShowsLate).
  void set_taken_shows_late(bool late) { taken_shows_late_ = late; }
  // Every mark not yet shown was sent again at `sent`, after another
  // program let go of the pointer: the waits start afresh.
  void ResentAfterHold(PacingClock::TimePoint sent);
  // Marks sent again after a hold that were expected and never showed.
  [[nodiscard]] int NotLandedAfterHold() const;
  // Marks given up on while they showed another ink: a swatch that does
  // not select the colour registered for it.
  [[nodiscard]] int NotLandedInTheirInk() const;
  // The piece's marks were sent again at `sent`.
  void Repaired(std::size_t piece, PacingClock::TimePoint sent);
  // The piece cannot be sent again (the pointer cannot be brought back
  // onto it): its marks not yet shown are no longer waited for.
  void CannotRepair(std::size_t piece);
  [[nodiscard]] BatchOutcome Outcome() const;

 private:
  std::vector<Mark> marks_;
  ScreenImage before_;
  std::vector<bool> aimed_;  // per pixel of the rectangle
  PacingClock::TimePoint start_;
  int dots_ = 0;
  int strays_ = 0;
  int looks_ = 0;
  int progress_look_ = 0;  // the last look that showed a new mark
  PacingClock::TimePoint progress_at_;
  bool taken_shows_late_ = false;
};

// The part of `line` still blank in `now` (its colour from `before`), from
// the first blank pixel to the last; none when nothing is blank or the line
// start is: then the whole line goes again.
[[nodiscard]] std::optional<Segment> BlankPart(const Segment& line,
                                               const ScreenImage& before,
                                               const ScreenImage& now);

// How long after `waited` into a wait the next look comes: a quarter of
// the time waited, within the policy's bounds; where the desktop reports
// drawing, the timed look is only a fallback.
[[nodiscard]] PacingClock::Duration LookInterval(PacingClock::Duration waited,
                                                 bool reports_changes,
                                                 const PacingPolicy& policy);

}  // namespace scrivlet
