#pragma once

// Aiming the pointer at a pixel with an absolute move, as the Wayland tests
// do throughout.

#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// The absolute coordinate that aims at pixel `p` of `extent` pixels.
inline std::int32_t Aim(std::int32_t p, std::int32_t extent) {
  return static_cast<std::int32_t>(
      (std::int64_t{p} * kAbsoluteSpan + extent / 2) / extent);
}

// Moves the pointer onto pixel `to`, with `extra` flags in the same call.
inline void MoveTo(PlatformInput& desktop, ScreenPoint to,
                   std::uint32_t extra = 0) {
  const DesktopArea area = desktop.DesktopBounds();
  desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | extra,
                      Aim(to.x - area.left, area.width),
                      Aim(to.y - area.top, area.height));
}

}  // namespace scrivlet::testing
