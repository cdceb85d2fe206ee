#pragma once

// The desktop as the window hands it to a drawing: every call passes through,
// except that once an abort is requested F8 reads as freshly pressed, so the
// plotter stops the way the user's F8 stops it, with no button left down.
// It counts the presses of the left button, one for each dot or stroke.

#include <cstdint>

#include "platform/forwarding_desktop.h"

namespace scrivlet {

class AbortableDesktop final : public ForwardingDesktop {
 public:
  using ForwardingDesktop::ForwardingDesktop;

  void RequestAbort() { abort_requested_ = true; }
  void ClearAbort() { abort_requested_ = false; }

  [[nodiscard]] std::uint64_t presses() const { return presses_; }
  void ResetPresses() { presses_ = 0; }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    ForwardingDesktop::mouse_event(flags, dx, dy);
    if ((flags & MOUSEEVENTF_LEFTDOWN) != 0) ++presses_;
  }

  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    const std::uint16_t state = inner().GetAsyncKeyState(virtual_key);
    return abort_requested_ && virtual_key == VK_F8 ? kFreshKeyPress : state;
  }

 private:
  bool abort_requested_ = false;
  std::uint64_t presses_ = 0;
};

}  // namespace scrivlet
