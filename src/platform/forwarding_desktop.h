#pragma once

// A desktop in front of another that passes every call on unchanged. The
// layers that change one thing (the window's abort on close, the command
// channel's key presses) derive from it and override only that, so a call
// added to PlatformInput later is never silently swallowed by one of them.

#include "platform/platform_input.h"

namespace scrivlet {

class ForwardingDesktop : public PlatformInput {
 public:
  explicit ForwardingDesktop(PlatformInput& inner) : inner_(inner) {}

  ScreenPoint GetCursorPos() override { return inner_.GetCursorPos(); }
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    inner_.mouse_event(flags, dx, dy);
  }
  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    return inner_.GetAsyncKeyState(virtual_key);
  }
  DesktopArea DesktopBounds() override { return inner_.DesktopBounds(); }
  void SetWindowPos(NativeWindow window, ZOrder order) override {
    inner_.SetWindowPos(window, order);
  }
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return inner_.ReadScreenPixel(at);
  }
  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    return inner_.CaptureScreenRegion(area);
  }
  void Flush() override { inner_.Flush(); }
  bool ReportsScreenChanges() override { return inner_.ReportsScreenChanges(); }
  bool WaitForScreenChange(ScreenRect area,
                           std::chrono::microseconds timeout) override {
    return inner_.WaitForScreenChange(area, timeout);
  }
  std::optional<COLORREF> ReadDrawnPixel(ScreenPoint at) override {
    return inner_.ReadDrawnPixel(at);
  }
  bool ReportsDrawnChanges() override { return inner_.ReportsDrawnChanges(); }
  bool WaitForDrawnChange(ScreenPoint at,
                          std::chrono::microseconds timeout) override {
    return inner_.WaitForDrawnChange(at, timeout);
  }
  void DrawingStarted() override { inner_.DrawingStarted(); }
  void DrawingEnded() override { inner_.DrawingEnded(); }
  void DrawingAborted() override { inner_.DrawingAborted(); }
  void InkChosen(ScreenPoint swatch, COLORREF colour) override {
    inner_.InkChosen(swatch, colour);
  }
  InputDelivery SyntheticInputDelivery() override {
    return inner_.SyntheticInputDelivery();
  }
  bool DesktopChangedDuringDrawing() override {
    return inner_.DesktopChangedDuringDrawing();
  }
  int DotsNotLanded() override { return inner_.DotsNotLanded(); }

 protected:
  [[nodiscard]] PlatformInput& inner() { return inner_; }

 private:
  PlatformInput& inner_;
};

}  // namespace scrivlet
