#pragma once

// From normalised absolute mouse coordinates back to screen pixels.
//
// The engine aims at pixel p of an extent of n pixels with the coordinate
// round_half_even(p * 65535 / n). Rounding coordinate * n / 65535 to the
// nearest integer undoes that exactly: the forward rounding error of at most
// half a unit shrinks by n / 65535, so it stays below half a pixel for every
// extent up to 65535 pixels and the nearest pixel is always p itself.

#include <algorithm>
#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

// The pixel offset, 0..extent-1, that `coordinate` aims at. Coordinates
// beyond the range land on the nearest edge, as the pointer cannot leave the
// desktop. An empty extent has only offset 0.
constexpr std::int32_t AbsoluteToPixel(std::int32_t coordinate,
                                       std::int32_t extent) {
  if (extent <= 1) {
    return 0;
  }
  // Integer form of floor(coordinate * extent / span + 1/2), exact for every
  // 32-bit coordinate.
  const std::int64_t span = kAbsoluteSpan;
  const std::int64_t twice_scaled =
      2 * static_cast<std::int64_t>(coordinate) * extent + span;
  std::int64_t pixel = twice_scaled / (2 * span);
  if (twice_scaled < 0 && twice_scaled % (2 * span) != 0) {
    --pixel;
  }
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(pixel, 0, std::int64_t{extent} - 1));
}

// The screen point that absolute coordinates (x, y) aim at on `area`.
constexpr ScreenPoint AbsoluteToScreen(std::int32_t x, std::int32_t y,
                                       const DesktopArea& area) {
  return {area.left + AbsoluteToPixel(x, area.width),
          area.top + AbsoluteToPixel(y, area.height)};
}

}  // namespace scrivlet
