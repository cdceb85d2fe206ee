#pragma once

// A fixed pace, one of the ways of delivering dots that pipelined delivery
// is measured against.

#include <chrono>
#include <memory>

#include "platform/platform_input.h"

namespace scrivlet::bench {

// A desktop that pauses for a fixed time after every `burst`-th button
// release; the clicks of a burst go back to back.
class FixedPauseDesktop final : public PlatformInput {
 public:
  FixedPauseDesktop(std::unique_ptr<PlatformInput> target,
                    std::chrono::microseconds pause, int burst = 1);

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
  int burst_;
  int released_ = 0;
};

}  // namespace scrivlet::bench
