#include "fixed_pause_desktop.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace scrivlet::bench {

FixedPauseDesktop::FixedPauseDesktop(std::unique_ptr<PlatformInput> target,
                                     std::chrono::microseconds pause, int burst)
    : target_(std::move(target)), pause_(pause), burst_(std::max(1, burst)) {}

void FixedPauseDesktop::mouse_event(std::uint32_t flags, std::int32_t dx,
                                    std::int32_t dy) {
  target_->mouse_event(flags, dx, dy);
  if ((flags & MOUSEEVENTF_LEFTUP) != 0 && ++released_ % burst_ == 0) {
    target_->Flush();
    std::this_thread::sleep_for(pause_);
  }
}

}  // namespace scrivlet::bench
