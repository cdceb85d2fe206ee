#pragma once

// A monitor's size as programs see it, from its mode, scale and transform,
// shared by the Wayland and GNOME backends: pure, so every case is worked
// by hand in a test.
//
// Transforms are numbered as wl_output and mutter's DisplayConfig both
// number them: 0..3 turn by 0, 90, 180 and 270 degrees, 4..7 flip first
// and then turn the same.

#include <cmath>
#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

// Turned by 90 or 270 degrees: the mode's width runs down the screen.
constexpr bool SwapsSides(std::uint32_t transform) {
  return (transform & 1U) != 0;
}

struct LogicalSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const LogicalSize&, const LogicalSize&) = default;
};

// The mode turned by `transform` and divided by `scale`, cut to whole
// pixels as wlroots does. The small allowance keeps a scale that is a hair
// off in floating point (mutter's 1.25 on 2560) from losing a pixel.
inline LogicalSize ToLogicalSize(std::int32_t mode_width,
                                 std::int32_t mode_height, double scale,
                                 std::uint32_t transform) {
  if (!(scale > 0)) {
    scale = 1;
  }
  const std::int32_t across = SwapsSides(transform) ? mode_height : mode_width;
  const std::int32_t down = SwapsSides(transform) ? mode_width : mode_height;
  constexpr double kAllowance = 1e-6;
  return {static_cast<std::int32_t>(std::floor(across / scale + kAllowance)),
          static_cast<std::int32_t>(std::floor(down / scale + kAllowance))};
}

}  // namespace scrivlet
