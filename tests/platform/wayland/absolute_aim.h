#pragma once

// Aiming the pointer at a pixel with an absolute move, as the Wayland tests
// do throughout.

#include <cstdint>

#include "engine_coordinate.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

// Moves the pointer onto pixel `to`, with `extra` flags in the same call.
inline void MoveTo(PlatformInput& desktop, ScreenPoint to,
                   std::uint32_t extra = 0) {
  const DesktopArea area = desktop.DesktopBounds();
  desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | extra,
                      EngineCoordinate(to.x - area.left, area.width),
                      EngineCoordinate(to.y - area.top, area.height));
}

}  // namespace scrivlet::testing
