#include "dot_pattern.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

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
  if (points.empty()) {
    return {};
  }
  std::int32_t left = points.front().x;
  std::int32_t right = left;
  std::int32_t top = points.front().y;
  std::int32_t bottom = top;
  for (const ScreenPoint& p : points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  return {left - margin, top - margin, right - left + 1 + 2 * margin,
          bottom - top + 1 + 2 * margin};
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

bool Holds(const ScreenRect& outer, const ScreenRect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top &&
         inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
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
