#include "engine/sample_grid.h"

#include <cstdlib>

namespace scrivlet {

GridEnds StartGrid(const PictureView& picture, const DrawSettings& settings) {
  if (settings.Coarseness == 0) {
    throw SettingsError("coarseness 0 would never advance the sampling loop");
  }
  return GridEnds{RoundToInt16(picture.ScaleWidth()), settings.Coarseness};
}

std::int16_t RowEnd(const PictureView& picture) {
  return RoundToInt16(picture.ScaleHeight());
}

int GridCount(std::int16_t end, std::int16_t step) {
  if (step == 0 || !WithinEnd(0, end, step)) return 0;
  return std::abs(static_cast<int>(end)) / std::abs(static_cast<int>(step)) + 1;
}

}  // namespace scrivlet
