#include "window/core/ink_preview.h"

#include <cmath>

#include "engine/checked_math.h"
#include "engine/colour.h"
#include "engine/sample_grid.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

constexpr std::uint32_t kInk = 0xFF000000U;
constexpr std::uint32_t kPaper = 0xFFFFFFFFU;

std::string Filled(std::string text, std::string_view mark,
                   const std::string& value) {
  const std::size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), value);
  return text;
}

std::string TimeText(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(seconds));
  if (whole < 60) return Filled(texts::kSeconds, "%1", std::to_string(whole));
  return Filled(Filled(texts::kMinutes, "%1", std::to_string(whole / 60)), "%2",
                std::to_string(whole % 60));
}

}  // namespace

InkPreview PreviewInk(const PictureView& picture, const DrawSettings& settings,
                      const InkStyle& /*style*/, CoordinateMode mode) {
  InkPreview preview;
  Picture& shown = preview.picture;
  shown.width = static_cast<int>(picture.ScaleWidth());
  shown.height = static_cast<int>(picture.ScaleHeight());
  shown.argb.assign(static_cast<std::size_t>(shown.width) *
                        static_cast<std::size_t>(shown.height),
                    kPaper);
  const GridEnds grid = StartGrid(picture, settings);
  const double limit = mode == CoordinateMode::Absolute
                           ? static_cast<double>(settings.Threshold)
                           : kRelativeDarknessLimit;
  // The dot plotters' walk: column by column, one dot a dark sample.
  for (std::int16_t x = 0; WithinEnd(x, grid.column_end, grid.step);
       x = CheckedAdd16(x, grid.step)) {
    const std::int16_t row_end = RowEnd(picture);
    for (std::int16_t y = 0; WithinEnd(y, row_end, grid.step);
         y = CheckedAdd16(y, grid.step)) {
      if (!IsDark(picture.GetPixel(x, y), limit)) continue;
      ++preview.marks;
      if (x < shown.width && y < shown.height) {
        shown.argb[static_cast<std::size_t>(y) *
                       static_cast<std::size_t>(shown.width) +
                   static_cast<std::size_t>(x)] = kInk;
      }
    }
  }
  return preview;
}

std::string EstimateText(bool strokes, std::size_t marks,
                         std::optional<double> marks_per_second) {
  const std::string count =
      Filled(strokes ? texts::kStrokeCount : texts::kDotCount, "%1",
             std::to_string(marks));
  const std::string time =
      marks_per_second && *marks_per_second > 0
          ? TimeText(static_cast<double>(marks) / *marks_per_second)
          : texts::kEstimateUnknown;
  return count + "  " + Filled(texts::kEstimate, "%1", time);
}

}  // namespace scrivlet
