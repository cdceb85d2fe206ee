#include "window/core/ink_preview.h"

#include <algorithm>
#include <cmath>

#include "engine/draw_plan.h"
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
                      CoordinateMode mode) {
  const DrawPlan plan =
      PlanDrawing(picture, settings,
                  DarknessLimit(settings, mode == CoordinateMode::Absolute));
  InkPreview preview;
  Picture& shown = preview.picture;
  shown.width = static_cast<int>(picture.ScaleWidth());
  shown.height = static_cast<int>(picture.ScaleHeight());
  shown.argb.assign(static_cast<std::size_t>(shown.width) *
                        static_cast<std::size_t>(shown.height),
                    kPaper);
  const auto ink = [&shown](long long x, long long y) {
    if (x >= 0 && y >= 0 && x < shown.width && y < shown.height) {
      shown.argb[static_cast<std::size_t>(y * shown.width + x)] = kInk;
    }
  };
  // A stroke lies along one column or row: every pixel between its ends.
  const long long step = plan.step;
  for (const Stroke& stroke : plan.plan.strokes) {
    const long long x0 = stroke.first.column * step;
    const long long y0 = stroke.first.row * step;
    const long long x1 = stroke.last.column * step;
    const long long y1 = stroke.last.row * step;
    for (long long x = std::min(x0, x1); x <= std::max(x0, x1); ++x) {
      for (long long y = std::min(y0, y1); y <= std::max(y0, y1); ++y) {
        ink(x, y);
      }
    }
  }
  preview.marks = plan.plan.strokes.size();
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
