#include "engine/left_button_guard.h"

namespace scrivlet {

LeftButtonGuard::~LeftButtonGuard() {
  if (!maybe_down_) return;
  try {
    desktop_.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  } catch (
      ...) {  // NOLINT(bugprone-empty-catch): the original error matters more
  }
}

void LeftButtonGuard::Press(std::uint32_t flags, std::int32_t dx,
                            std::int32_t dy) {
  // Counted as down before the call: a desktop that fails half-way may still
  // have pressed the button.
  maybe_down_ = true;
  desktop_.mouse_event(flags, dx, dy);
}

void LeftButtonGuard::Release(std::uint32_t flags, std::int32_t dx,
                              std::int32_t dy) {
  desktop_.mouse_event(flags, dx, dy);
  maybe_down_ = false;
}

}  // namespace scrivlet
