#pragma once

// Where a sample lands in absolute mode: pixels counted from the desktop
// area's corner, scaled to the 0..65535 range absolute events carry.

#include <cstdint>

#include "engine/checked_math.h"
#include "platform/platform_input.h"

namespace scrivlet {

// One axis of a sample's pixel, counted from the desktop area's edge.
inline std::int32_t Pixel(std::int32_t origin_from_edge, std::int16_t i,
                          std::int16_t magnification) {
  return CheckedAdd32(origin_from_edge, CheckedMul16(i, magnification));
}

// The pixel scaled so that the desktop area spans 0..65535.
inline std::int32_t Normalised(std::int32_t pixel, std::int32_t extent) {
  const std::int32_t scaled = CheckedMul32(pixel, kAbsoluteSpan);
  return RoundToInt32(CheckedDivide(scaled, extent));
}

// A sample off the desktop would be pinned to its edge, where taskbars and
// other programs' controls live: it is not drawn.
inline bool OnDesktop(std::int32_t pixel, std::int32_t extent) {
  return pixel >= 0 && pixel < extent;
}

}  // namespace scrivlet
