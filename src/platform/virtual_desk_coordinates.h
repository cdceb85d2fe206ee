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

}  // namespace scrivlet
