#pragma once

// Where planned samples land in absolute mode, for the plotters that draw
// from a plan (strokes, and colour ink by ink).

#include <cstdint>
#include <optional>

#include "engine/absolute_coordinates.h"
#include "engine/draw_settings.h"
#include "engine/stroke_planner.h"
#include "platform/platform_input.h"

namespace scrivlet {

struct PixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// Where the samples of one drawing land on the desktop.
class Placement {
 public:
  Placement(ScreenPoint origin, DesktopArea area, const DrawSettings& settings)
      : origin_(origin),
        area_(area),
        step_(settings.Coarseness),
        magnification_(settings.Magnification) {}

  [[nodiscard]] PixelPoint At(SamplePoint sample) const {
    return {Axis(origin_.x, sample.column), Axis(origin_.y, sample.row)};
  }
  [[nodiscard]] bool OnIt(PixelPoint pixel) const {
    return OnDesktop(pixel.x, area_.width) && OnDesktop(pixel.y, area_.height);
  }
  [[nodiscard]] PixelPoint Normal(PixelPoint pixel) const {
    return {Normalised(pixel.x, area_.width),
            Normalised(pixel.y, area_.height)};
  }

 private:
  // The grid counter of sample `index` is index * step: it fits in 16 bits,
  // since the grid was walked with checked 16-bit counters.
  [[nodiscard]] std::int32_t Axis(std::int32_t origin, int index) const {
    const auto counter = CheckedMul16(static_cast<std::int16_t>(index), step_);
    return Pixel(origin, counter, magnification_);
  }

  ScreenPoint origin_;
  DesktopArea area_;
  std::int16_t step_;
  std::int16_t magnification_;
};

struct Ends {
  PixelPoint first;
  PixelPoint last;
  bool dot = false;
};

// The stroke cut to its samples on the desktop; none when it misses it.
std::optional<Ends> OnDesktopPart(const Stroke& stroke, const Placement& place);

}  // namespace scrivlet
