#include "window/core/ink_preview.h"

#include <algorithm>
#include <cmath>

#include "engine/draw_plan.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000U;
constexpr std::uint32_t kPaper = 0xFFFFFFFFU;

// 0x00BBGGRR as an opaque pixel of a Picture (0xAARRGGBB).
std::uint32_t PixelOf(COLORREF colour) {
  return 0xFF000000U | (colour & 0xFF00U) | ((colour & 0xFFU) << 16U) |
         ((colour >> 16U) & 0xFFU);
}

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
  const long long step = plan.step;
  // A stroke lies along one column or row: every pixel between its ends.
  const auto draw = [&](const StrokePlan& strokes, std::uint32_t pixel) {
    for (const Stroke& stroke : strokes.strokes) {
      const long long x0 = stroke.first.column * step;
      const long long y0 = stroke.first.row * step;
      const long long x1 = stroke.last.column * step;
      const long long y1 = stroke.last.row * step;
      for (long long x = std::max(0LL, std::min(x0, x1));
           x <= std::min<long long>(std::max(x0, x1), shown.width - 1); ++x) {
        for (long long y = std::max(0LL, std::min(y0, y1));
             y <= std::min<long long>(std::max(y0, y1), shown.height - 1);
             ++y) {
          shown.argb[static_cast<std::size_t>(y * shown.width + x)] = pixel;
        }
      }
    }
  };
  // Without inks the plan is black; with them, one pass per ink.
  draw(plan.plan, kBlack);
  for (const InkPass& pass : plan.passes) draw(pass.plan, PixelOf(pass.colour));
  preview.marks = plan.Marks();
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
