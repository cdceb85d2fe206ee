#include "stroke_ink.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/draw_plan.h"

namespace scrivlet::testing {
namespace {

// Brightness of a colour, 0 (black) to 1 (white).
double Light(COLORREF colour) {
  const double sum = static_cast<double>(colour & 0xFFU) +
                     static_cast<double>((colour >> 8) & 0xFFU) +
                     static_cast<double>((colour >> 16) & 0xFFU);
  return sum / (3 * 255.0);
}

// A grid of brightness blurred by a 5 x 5 box, edges repeated.
std::vector<double> Blurred(const std::vector<double>& light, int width,
                            int height) {
  std::vector<double> out(light.size());
  const auto at = [width](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double sum = 0;
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          const int sx = std::clamp(x + dx, 0, width - 1);
          const int sy = std::clamp(y + dy, 0, height - 1);
          sum += light[at(sx, sy)];
        }
      }
      out[at(x, y)] = sum / 25;
    }
  }
  return out;
}

}  // namespace

std::vector<ScreenPoint> ExpectedInk(const PictureView& picture,
                                     const DrawSettings& settings,
                                     PlotMode mode, ScreenPoint origin) {
  const bool absolute = mode == PlotMode::Absolute;
  const DrawPlan drawing =
      PlanDrawing(picture, settings, DarknessLimit(settings, absolute));
  const std::int32_t scale = settings.Magnification;
  const auto place = [&](SamplePoint sample) {
    if (absolute) {
      return ScreenPoint{origin.x + sample.column * drawing.step * scale,
                         origin.y + sample.row * drawing.step * scale};
    }
    return ScreenPoint{origin.x + sample.column * scale,
                       origin.y + (sample.row + 1) * scale};
  };
  std::vector<ScreenPoint> ink;
  for (const Stroke& stroke : drawing.plan.strokes) {
    const ScreenPoint from = place(stroke.first);
    const ScreenPoint to = place(stroke.last);
    const int steps =
        std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
    for (int i = 0; i <= steps; ++i) {
      ink.push_back(steps == 0
                        ? from
                        : ScreenPoint{from.x + (to.x - from.x) * i / steps,
                                      from.y + (to.y - from.y) * i / steps});
    }
  }
  return ink;
}

COLORREF GreyPicture::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x > width_ || y > height_) {
    return kInvalidColour;
  }
  const double u = static_cast<double>(x) / width_;
  const double v = static_cast<double>(y) / height_;
  double light = v < 0.3 ? u : 1.0 - (v - 0.3) / 0.7 * 0.8;
  // A ball in the lower right half, lit from its upper left.
  const double cx = 0.7;
  const double cy = 0.62;
  const double r = 0.3;
  const double dx = (u - cx) * width_ / height_;
  const double dy = v - cy;
  const double d = std::sqrt(dx * dx + dy * dy);
  if (d < r) {
    const double lit = std::hypot(dx + 0.12, dy + 0.12) / (2 * r);
    light = std::clamp(1.0 - lit, 0.05, 0.95);
  }
  const auto grey = static_cast<COLORREF>(std::lround(255 * light));
  return grey | (grey << 8) | (grey << 16);
}

double BlurredToneError(const PictureView& picture, const ScreenImage& image,
                        ScreenPoint origin, COLORREF paper) {
  const int width = static_cast<int>(picture.ScaleWidth()) + 1;
  const int height = static_cast<int>(picture.ScaleHeight()) + 1;
  std::vector<double> wanted;
  std::vector<double> drawn;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      wanted.push_back(Light(picture.GetPixel(x, y)));
      drawn.push_back(image.At({origin.x + x, origin.y + y}) == paper ? 1.0
                                                                      : 0.0);
    }
  }
  const std::vector<double> a = Blurred(wanted, width, height);
  const std::vector<double> b = Blurred(drawn, width, height);
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    sum += std::abs(a[i] - b[i]);
  }
  return sum / static_cast<double>(a.size());
}

}  // namespace scrivlet::testing
