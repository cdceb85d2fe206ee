#pragma once

// What a drawing at the current settings will leave, drawn on white at
// magnification 1 (each sample at its picture pixel): black, or each sample
// in its registered ink. And how many dots or strokes that takes.

#include <cstddef>
#include <optional>
#include <string>

#include "engine/draw_settings.h"
#include "engine/draw_trigger.h"
#include "engine/picture_view.h"
#include "window/core/picture.h"

namespace scrivlet {

struct InkPreview {
  Picture picture;        // opaque, the size of `picture`'s box
  std::size_t marks = 0;  // dots, or strokes with DrawSettings::Strokes
};

// Plans the drawing as the plotter of `mode` would. Throws what planning
// throws (SettingsError for coarseness 0, a grid too large to hold).
InkPreview PreviewInk(const PictureView& picture, const DrawSettings& settings,
                      CoordinateMode mode);

// "点の数: 1234  予想時間: 約12秒", the time unknown without a rate.
std::string EstimateText(bool strokes, std::size_t marks,
                         std::optional<double> marks_per_second);

}  // namespace scrivlet
