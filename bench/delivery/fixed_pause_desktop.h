#pragma once

// The two ways of delivering dots that the pacer is measured against.

#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::bench {

// A desktop that pauses for a fixed time after every button release.
class FixedPauseDesktop final : public PlatformInput {
 public:
  FixedPauseDesktop(std::unique_ptr<PlatformInput> target,
                    std::chrono::microseconds pause);

  ScreenPoint GetCursorPos() override { return target_->GetCursorPos(); }
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override;
  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    return target_->GetAsyncKeyState(virtual_key);
  }
  DesktopArea DesktopBounds() override { return target_->DesktopBounds(); }
  void SetWindowPos(NativeWindow window, ZOrder order) override {
    target_->SetWindowPos(window, order);
  }
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return target_->ReadScreenPixel(at);
  }
  void Flush() override { target_->Flush(); }

 private:
  std::unique_ptr<PlatformInput> target_;
  std::chrono::microseconds pause_;
};

// The goal reference: the plainest closed loop on bare Xlib and XTest, no
// engine and no policy. For each dot: read the pixel, move, press, release,
// then read the pixel again until it changes (at most `timeout`).
void InjectClosedLoop(Display* display, const std::vector<ScreenPoint>& dots,
                      std::chrono::milliseconds timeout);

}  // namespace scrivlet::bench
