#pragma once

// What the plotters watch while they draw: the F8 abort, the desktop's size
// and, for relative moves, the pointer running into the screen's edge.

#include <cstdint>

#include "engine/checked_math.h"
#include "platform/platform_input.h"

namespace scrivlet {

// The desktop's size or origin changed mid-drawing: the remaining dots would
// land shifted.
class DesktopChangedError : public DrawError {
 public:
  using DrawError::DrawError;
};

// A relative move was stopped at the screen's edge: every later dot would
// land off the picture, and clicks on the edge hit other programs' controls.
class EdgeReachedError : public DrawError {
 public:
  using DrawError::DrawError;
};

// Forgets an F8 press made before the drawing, so that it does not stop it.
void ForgetEarlierAbort(PlatformInput& desktop);

// True when F8 was pressed since the previous query, however briefly (a
// press that has already been released again counts too), or once the
// program has been asked to end.
bool AbortRequested(PlatformInput& desktop);

// Asks every drawing, now and later, to stop before its next dot, as F8
// does: the program is ending. Safe to call from a signal handler.
void RequestEnd() noexcept;
bool EndRequested() noexcept;

// Throws DesktopChangedError when the desktop area is no longer `started`,
// or the desktop says it changed since the drawing started.
void RequireSameDesktop(PlatformInput& desktop, const DesktopArea& started);

// Follows the pointer through relative moves and notices a clipped one.
class PointerTracker {
 public:
  explicit PointerTracker(PlatformInput& desktop);

  // Call after each relative move of (dx, dy). Throws EdgeReachedError when
  // the pointer stopped short of where the move aimed and stands on the
  // edge it was moving towards.
  void Moved(std::int32_t dx, std::int32_t dy);

 private:
  PlatformInput& desktop_;
  DesktopArea area_;
  ScreenPoint at_;
};

// The pure test behind PointerTracker::Moved.
bool MoveWasClipped(const DesktopArea& area, ScreenPoint from, ScreenPoint to,
                    std::int32_t dx, std::int32_t dy);

}  // namespace scrivlet
