#pragma once

// The sampling grid both plotters walk: counters start at 0 and move by the
// coarseness step while they stay within an inclusive end, the way a counted
// loop with a step runs (for a negative step: while not below the end).

#include <cstdint>

#include "engine/checked_math.h"
#include "engine/draw_settings.h"
#include "engine/picture_view.h"

namespace scrivlet {

// A coarseness of 0 would never advance the row loop; both plotters refuse it.
class SettingsError : public DrawError {
 public:
  using DrawError::DrawError;
};

// Relative moves cannot reach a swatch at a known place on the screen (the
// target may scale or capture them), so colour is drawn in absolute mode
// only.
class ColourNeedsAbsoluteError : public SettingsError {
 public:
  ColourNeedsAbsoluteError()
      : SettingsError(
            "drawing with the target's inks needs absolute coordinates") {}
};

struct GridEnds {
  std::int16_t column_end = 0;
  std::int16_t step = 0;
};

// The column end and step, taken once at the start of a drawing.
// Throws SettingsError for a zero step and OverflowError for a box wider
// than a 16-bit counter can walk.
GridEnds StartGrid(const PictureView& picture, const DrawSettings& settings);

// The row end, taken afresh at the start of every column.
std::int16_t RowEnd(const PictureView& picture);

inline bool WithinEnd(std::int16_t value, std::int16_t end, std::int16_t step) {
  return step >= 0 ? value <= end : value >= end;
}

// How many counter values the loop 0, step, 2*step, ... visits up to `end`.
int GridCount(std::int16_t end, std::int16_t step);

}  // namespace scrivlet
