#pragma once

// From a screen pixel to the normalised coordinate that Windows moves the
// pointer onto that very pixel for (SendInput with MOUSEEVENTF_ABSOLUTE and
// MOUSEEVENTF_VIRTUALDESK).
//
// Windows spreads 65536 normalised units over the virtual desktop and lands
// on the pixel floor(coordinate * extent / 65536), which is not the inverse
// of the engine's rounding over 65535: sending the engine's coordinate as it
// is would put some dots one pixel off. Aiming at the middle of the pixel's
// own run of coordinates leaves half a pixel's worth of slack on both sides,
// so the pointer lands on the pixel also where a Windows version maps over
// 65535 units or the extent minus one.

#include <algorithm>
#include <cstdint>

#include "platform/absolute_mapping.h"
#include "platform/platform_input.h"

namespace scrivlet {

inline constexpr std::int64_t kVirtualDeskUnits = 65536;

// The coordinate, 0..65535, for pixel `offset` of `extent` pixels (offset
// counted from the virtual desktop's left or top edge). Offsets beyond the
// desktop go to its nearest edge pixel.
constexpr std::int32_t PixelToVirtualDesk(std::int32_t offset,
                                          std::int32_t extent) {
  if (extent <= 1) {
    return 0;
  }
  const std::int64_t pixel =
      std::clamp<std::int64_t>(offset, 0, std::int64_t{extent} - 1);
  // floor((pixel + 1/2) * 65536 / extent)
  const std::int64_t middle =
      (2 * pixel + 1) * kVirtualDeskUnits / (2 * std::int64_t{extent});
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(middle, kVirtualDeskUnits - 1));
}

// The engine's absolute coordinates (x, y), normalised over `desktop` (the
// virtual desktop, whose left and top may be negative), resent in Windows'
// mapping: the pointer lands on the pixel the engine aimed at.
constexpr ScreenPoint AbsoluteToVirtualDesk(std::int32_t x, std::int32_t y,
                                            const DesktopArea& desktop) {
  const ScreenPoint aimed = AbsoluteToScreen(x, y, desktop);
  return {PixelToVirtualDesk(aimed.x - desktop.left, desktop.width),
          PixelToVirtualDesk(aimed.y - desktop.top, desktop.height)};
}

}  // namespace scrivlet
