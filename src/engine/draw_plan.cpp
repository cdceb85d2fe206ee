#include "engine/draw_plan.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "engine/colour.h"
#include "engine/ink_grid.h"
#include "engine/sample_grid.h"

namespace scrivlet {
namespace {

// A palette holds 255 tones, the paper among them.
constexpr std::size_t kMaxInks = 254;

StrokePlan PlanOf(const InkGrid& ink, bool strokes) {
  if (strokes) return PlanStrokes(ink);
  StrokePlan plan;
  for (int column = 0; column < ink.columns; ++column) {
    for (int row = 0; row < ink.rows; ++row) {
      if (!ink.At(column, row)) continue;
      const SamplePoint dot{column, row};
      plan.strokes.push_back({dot, dot});
    }
  }
  return plan;
}

}  // namespace

double DarknessLimit(const DrawSettings& settings, bool absolute_mode) {
  return absolute_mode ? static_cast<double>(settings.Threshold)
                       : kRelativeDarknessLimit;
}

std::vector<std::size_t> InkOrder(const InkList& inks) {
  // Darkest first rather than most samples first: outlines and shadows,
  // which carry a picture's shapes, are its darkest colours, so a drawing
  // stopped early is already recognisable; and the order is known before
  // the picture is read, so the preview and the plotter cannot disagree.
  std::vector<std::size_t> order(inks.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(
      order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return Brightness(inks[a].colour) < Brightness(inks[b].colour);
      });
  return order;
}

DrawPlan PlanDrawing(const PictureView& picture, const DrawSettings& settings,
                     double limit) {
  if (settings.Inks.size() > kMaxInks) {
    throw SettingsError("at most 254 inks can be drawn with");
  }
  const InkGrid ink = BuildInkGrid(picture, settings, limit);
  DrawPlan result{ink.columns, ink.rows, settings.Coarseness, {}};
  if (settings.Inks.empty()) {
    result.plan = PlanOf(ink, settings.Strokes);
    return result;
  }
  for (const std::size_t i : InkOrder(settings.Inks)) {
    StrokePlan plan = PlanOf(OnlyInk(ink, static_cast<std::uint8_t>(i + 1)),
                             settings.Strokes);
    if (plan.strokes.empty()) continue;
    result.passes.push_back({i, settings.Inks[i].colour, std::move(plan)});
  }
  return result;
}

}  // namespace scrivlet
