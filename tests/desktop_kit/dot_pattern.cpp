#include "dot_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "delivery/screen_looks.h"
#include "engine/draw_plan.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr std::size_t kExamples = 8;

}  // namespace

PatternPicture::PatternPicture(std::int32_t width, std::int32_t height,
                               Rule dark)
    : width_(width), height_(height), dark_(std::move(dark)) {}

bool PatternPicture::Dark(std::int32_t x, std::int32_t y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_ && dark_(x, y);
}

COLORREF PatternPicture::GetPixel(std::int32_t x, std::int32_t y) const {
  return Dark(x, y) ? kBlack : kWhite;
}

PatternPicture SolidPicture(std::int32_t width, std::int32_t height) {
  return {width, height, [](std::int32_t, std::int32_t) { return true; }};
}

PatternPicture MixedPicture(std::int32_t width, std::int32_t height) {
  return {width, height, [](std::int32_t x, std::int32_t y) {
            const std::int32_t band = x / 40;
            switch (band % 4) {
              case 0:  // solid block with a hole
                return !(x % 40 > 14 && x % 40 < 26 && y > 10 && y < 30);
              case 1:  // diagonals
                return (x + y) % 12 < 4 || (x - y + 400) % 16 < 2;
              case 2:  // sparse dots
                return x % 8 == 0 && y % 6 == 0;
              default:  // horizontal stripes
                return y % 10 < 4;
            }
          }};
}

std::vector<ScreenPoint> ExpectedDots(const PatternPicture& picture,
                                      const DrawSettings& settings,
                                      PlotMode mode, ScreenPoint origin) {
  std::vector<ScreenPoint> dots;
  const auto width = static_cast<std::int32_t>(picture.ScaleWidth());
  const auto height = static_cast<std::int32_t>(picture.ScaleHeight());
  const std::int32_t step = settings.Coarseness;
  const std::int32_t scale = settings.Magnification;
  for (std::int32_t x = 0, column = 0; x <= width; x += step, ++column) {
    for (std::int32_t y = 0, row = 0; y <= height; y += step, ++row) {
      if (!picture.Dark(x, y)) {
        continue;
      }
      if (mode == PlotMode::Absolute) {
        dots.push_back({origin.x + x * scale, origin.y + y * scale});
      } else {
        dots.push_back(
            {origin.x + column * scale, origin.y + (row + 1) * scale});
      }
    }
  }
  return dots;
}

ScreenRect BoundingRect(const std::vector<ScreenPoint>& points,
                        std::int32_t margin) {
  std::optional<ScreenRect> box;
  for (const ScreenPoint& p : points) {
    box = Including(box, p);
  }
  return box ? ScreenRect{box->left - margin, box->top - margin,
                          box->width + 2 * margin, box->height + 2 * margin}
             : ScreenRect{};
}

CanvasCheck CheckCanvas(const ScreenImage& image,
                        const std::vector<ScreenPoint>& dots, COLORREF paper) {
  CanvasCheck check;
  std::set<std::pair<std::int32_t, std::int32_t>> wanted;
  for (const ScreenPoint& dot : dots) {
    wanted.insert({dot.x, dot.y});
  }
  check.expected = static_cast<int>(wanted.size());
  const ScreenRect& rect = image.area;
  for (std::int32_t y = rect.top; y < rect.top + rect.height; ++y) {
    for (std::int32_t x = rect.left; x < rect.left + rect.width; ++x) {
      const bool inked = image.At({x, y}) != paper;
      if (wanted.contains({x, y})) {
        if (inked) {
          ++check.landed;
        } else if (check.missing.size() < kExamples) {
          check.missing.push_back({x, y});
        }
      } else if (inked) {
        ++check.stray;
        if (check.strays.size() < kExamples) {
          check.strays.push_back({x, y});
        }
      }
    }
  }
  return check;
}

ScreenRect UniformAreaAround(const ScreenImage& image, ScreenPoint seed) {
  const std::optional<COLORREF> colour = image.At(seed);
  const auto same = [&](std::int32_t x, std::int32_t y) {
    return colour && image.At({x, y}) == colour;
  };
  std::int32_t left = seed.x;
  std::int32_t right = seed.x;
  std::int32_t top = seed.y;
  std::int32_t bottom = seed.y;
  while (same(left - 1, seed.y)) --left;
  while (same(right + 1, seed.y)) ++right;
  while (same(seed.x, top - 1)) --top;
  while (same(seed.x, bottom + 1)) ++bottom;
  for (std::int32_t y = top; y <= bottom; ++y) {
    for (std::int32_t x = left; x <= right; ++x) {
      if (!same(x, y)) {
        throw std::runtime_error("The canvas around the seed is not blank");
      }
    }
  }
  return {left, top, right - left + 1, bottom - top + 1};
}

bool Holds(const ScreenRect& outer, const ScreenRect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top &&
         inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
}

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

std::string Describe(const std::vector<ScreenPoint>& points) {
  std::string text;
  for (const ScreenPoint& p : points) {
    // Piece by piece: GCC 12 takes `"(" + std::string` for an overlapping
    // copy (-Wrestrict) once inlined at -O3.
    text += '(';
    text += std::to_string(p.x);
    text += ',';
    text += std::to_string(p.y);
    text += ") ";
  }
  return text;
}

}  // namespace scrivlet::testing
