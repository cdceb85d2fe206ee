#include "engine/draw_plan.h"

#include "engine/colour.h"
#include "engine/ink_grid.h"

namespace scrivlet {

double DarknessLimit(const DrawSettings& settings, bool absolute_mode) {
  return absolute_mode ? static_cast<double>(settings.Threshold)
                       : kRelativeDarknessLimit;
}

DrawPlan PlanDrawing(const PictureView& picture, const DrawSettings& settings,
                     double limit) {
  const InkGrid ink = BuildInkGrid(picture, settings, limit);
  DrawPlan result{ink.columns, ink.rows, settings.Coarseness, {}};
  if (settings.Strokes) {
    result.plan = PlanStrokes(ink);
    return result;
  }
  for (int column = 0; column < ink.columns; ++column) {
    for (int row = 0; row < ink.rows; ++row) {
      if (!ink.At(column, row)) continue;
      const SamplePoint dot{column, row};
      result.plan.strokes.push_back({dot, dot});
    }
  }
  return result;
}

}  // namespace scrivlet
