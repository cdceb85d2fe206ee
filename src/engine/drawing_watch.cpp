#include "engine/drawing_watch.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace scrivlet {
namespace {

// Set from a signal handler: a lock-free atomic is all such a handler may
// touch.
constinit std::atomic<bool> end_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

std::string AreaText(const DesktopArea& area) {
  return std::to_string(area.width) + "x" + std::to_string(area.height) + "+" +
         std::to_string(area.left) + "+" + std::to_string(area.top);
}

// One axis: moving by `delta` from `from` ended at `to`, short of the aim
// and on the limit in the move's direction.
bool AxisClipped(std::int64_t from, std::int64_t to, std::int64_t delta,
                 std::int64_t low, std::int64_t high) {
  if (delta == 0) return false;
  const bool short_of_aim = std::llabs(to - from) < std::llabs(delta);
  const bool on_edge = delta > 0 ? to >= high : to <= low;
  return short_of_aim && on_edge;
}

}  // namespace

void ForgetEarlierAbort(PlatformInput& desktop) {
  (void)desktop.GetAsyncKeyState(VK_F8);
}

bool AbortRequested(PlatformInput& desktop) {
  const bool pressed =
      (desktop.GetAsyncKeyState(VK_F8) & kKeyPressedSinceLastQuery) != 0;
  return pressed || EndRequested();
}

void RequestEnd() noexcept { end_requested.store(true); }

bool EndRequested() noexcept { return end_requested.load(); }

void RequireSameDesktop(PlatformInput& desktop, const DesktopArea& started) {
  const DesktopArea now = desktop.DesktopBounds();
  if (now != started) {
    throw DesktopChangedError("desktop changed from " + AreaText(started) +
                              " to " + AreaText(now));
  }
  // Changed and back again: the dots sent meanwhile went astray, and the
  // desktop sent none after the change.
  if (desktop.DesktopChangedDuringDrawing()) {
    throw DesktopChangedError("desktop changed from " + AreaText(started) +
                              " and back during the drawing");
  }
}

bool MoveWasClipped(const DesktopArea& area, ScreenPoint from, ScreenPoint to,
                    std::int32_t dx, std::int32_t dy) {
  const std::int64_t right = std::int64_t{area.left} + area.width - 1;
  const std::int64_t bottom = std::int64_t{area.top} + area.height - 1;
  return AxisClipped(from.x, to.x, dx, area.left, right) ||
         AxisClipped(from.y, to.y, dy, area.top, bottom);
}

PointerTracker::PointerTracker(PlatformInput& desktop)
    : desktop_(desktop),
      area_(desktop.DesktopBounds()),
      at_(desktop.GetCursorPos()) {}

void PointerTracker::Moved(std::int32_t dx, std::int32_t dy) {
  const ScreenPoint to = desktop_.GetCursorPos();
  if (MoveWasClipped(area_, at_, to, dx, dy)) {
    throw EdgeReachedError(
        "a move of (" + std::to_string(dx) + ", " + std::to_string(dy) +
        ") from (" + std::to_string(at_.x) + ", " + std::to_string(at_.y) +
        ") stopped at (" + std::to_string(to.x) + ", " + std::to_string(to.y) +
        ")");
  }
  at_ = to;
}

}  // namespace scrivlet
