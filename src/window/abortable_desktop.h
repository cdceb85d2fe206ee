#pragma once

// The desktop as the window hands it to a drawing: every call passes through,
// except that once an abort is requested F8 reads as freshly pressed, so the
// plotter stops the way the user's F8 stops it, with no button left down.

#include "platform/platform_input.h"

namespace scrivlet {

class AbortableDesktop : public PlatformInput {
 public:
  explicit AbortableDesktop(PlatformInput& desktop) : desktop_(desktop) {}

  void RequestAbort() { abort_requested_ = true; }
  void ClearAbort() { abort_requested_ = false; }

  ScreenPoint GetCursorPos() override { return desktop_.GetCursorPos(); }
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    desktop_.mouse_event(flags, dx, dy);
  }
  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    const std::uint16_t state = desktop_.GetAsyncKeyState(virtual_key);
    return abort_requested_ && virtual_key == VK_F8 ? kFreshKeyPress : state;
  }
  DesktopArea DesktopBounds() override { return desktop_.DesktopBounds(); }
  void SetWindowPos(NativeWindow window, ZOrder order) override {
    desktop_.SetWindowPos(window, order);
  }
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return desktop_.ReadScreenPixel(at);
  }
  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    return desktop_.CaptureScreenRegion(area);
  }
  void Flush() override { desktop_.Flush(); }

 private:
  PlatformInput& desktop_;
  bool abort_requested_ = false;
};

}  // namespace scrivlet
