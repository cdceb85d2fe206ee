#pragma once

// Keeps track of the left button during a drawing and releases it if the
// drawing ends between a press and its release (an overflow, an exception
// from the desktop), so a target is never left with the button held down.

#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

class LeftButtonGuard {
 public:
  explicit LeftButtonGuard(PlatformInput& desktop) : desktop_(desktop) {}
  LeftButtonGuard(const LeftButtonGuard&) = delete;
  LeftButtonGuard& operator=(const LeftButtonGuard&) = delete;
  LeftButtonGuard(LeftButtonGuard&&) = delete;
  LeftButtonGuard& operator=(LeftButtonGuard&&) = delete;
  ~LeftButtonGuard();

  // Sends an event carrying MOUSEEVENTF_LEFTDOWN.
  void Press(std::uint32_t flags, std::int32_t dx, std::int32_t dy);
  // Sends an event carrying MOUSEEVENTF_LEFTUP.
  void Release(std::uint32_t flags, std::int32_t dx, std::int32_t dy);

 private:
  PlatformInput& desktop_;
  bool maybe_down_ = false;
};

}  // namespace scrivlet
