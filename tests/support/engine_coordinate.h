#pragma once

// The coordinate the absolute plotter sends for pixel `offset` of `extent`
// pixels: the nearest, halves to even. Worked out here, not taken from the
// engine or a backend, so that tests aiming with it check their mapping.

#include <cmath>
#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet::testing {

inline std::int32_t EngineCoordinate(std::int32_t offset, std::int32_t extent) {
  return static_cast<std::int32_t>(
      std::nearbyint(static_cast<double>(offset) * kAbsoluteSpan / extent));
}

}  // namespace scrivlet::testing
