#pragma once

// What a drawing will draw, without drawing it: for a preview of the
// picture as it will come out, and for counting the strokes beforehand.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "engine/stroke_planner.h"

namespace scrivlet {

// The dots or strokes of one of the target's inks.
struct InkPass {
  std::size_t ink = 0;  // index into DrawSettings::Inks
  COLORREF colour = 0;  // that ink's colour, for a preview
  StrokePlan plan;
};

struct DrawPlan {
  int columns = 0;  // the sample grid's size
  int rows = 0;
  std::int16_t step = 0;  // sample (c, r) is picture pixel (c, r) * step
  // Without inks, in black. With Strokes off: one dot per ink sample,
  // column by column like the dot plotters, on the Columns axis.
  StrokePlan plan;
  // With DrawSettings::Inks: one pass per ink that has samples, in the
  // order they are drawn (see InkOrder); `plan` is then empty.
  std::vector<InkPass> passes{};

  // Dots and strokes in all, whichever way the plan holds them.
  [[nodiscard]] std::size_t Marks() const {
    std::size_t marks = plan.strokes.size();
    for (const InkPass& pass : passes) marks += pass.plan.strokes.size();
    return marks;
  }
};

// The darkness limit each coordinate mode draws with: the threshold in
// absolute mode, the fixed limit in relative mode.
double DarknessLimit(const DrawSettings& settings, bool absolute_mode);

// The order the inks are drawn in: darkest first, ties in the order they
// were registered.
std::vector<std::size_t> InkOrder(const InkList& inks);

// The dots or strokes `settings` would draw from `picture` with `limit`.
// Reads the picture once; throws what ReadSamples throws, and SettingsError
// for more inks than a palette holds.
DrawPlan PlanDrawing(const PictureView& picture, const DrawSettings& settings,
                     double limit);

}  // namespace scrivlet
