#pragma once

// What a drawing will draw, without drawing it: for a preview of the
// picture as it will come out, and for counting the strokes beforehand.

#include <cstdint>

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "engine/stroke_planner.h"

namespace scrivlet {

struct DrawPlan {
  int columns = 0;  // the sample grid's size
  int rows = 0;
  std::int16_t step = 0;  // sample (c, r) is picture pixel (c, r) * step
  // With Strokes off: one dot per ink sample, column by column like the dot
  // plotters, on the Columns axis.
  StrokePlan plan;
};

// The darkness limit each coordinate mode draws with: the threshold in
// absolute mode, the fixed limit in relative mode.
double DarknessLimit(const DrawSettings& settings, bool absolute_mode);

// The dots or strokes `settings` would draw from `picture` with `limit`.
// Reads the picture once; throws what ReadSamples throws.
DrawPlan PlanDrawing(const PictureView& picture, const DrawSettings& settings,
                     double limit);

}  // namespace scrivlet
