#include "fixed_pause_desktop.h"

#include <thread>
#include <utility>

namespace scrivlet::bench {

FixedPauseDesktop::FixedPauseDesktop(std::unique_ptr<PlatformInput> target,
                                     std::chrono::microseconds pause)
    : target_(std::move(target)), pause_(pause) {}

void FixedPauseDesktop::mouse_event(std::uint32_t flags, std::int32_t dx,
                                    std::int32_t dy) {
  target_->mouse_event(flags, dx, dy);
  if ((flags & MOUSEEVENTF_LEFTUP) != 0) {
    std::this_thread::sleep_for(pause_);
  }
}

}  // namespace scrivlet::bench
