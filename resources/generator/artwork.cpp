#include "artwork.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>
#include <vector>

namespace scrivlet::art {
namespace {

struct Point {
  double x = 0;
  double y = 0;
};

// A pen line through `points`, `radius` pixels either side of its centre.
struct Stroke {
  std::vector<Point> points;
  double radius = 0;
};

// An elliptic arc from angle `from` to `to` (degrees, counter-clockwise as
// seen on screen, 0 pointing right).
std::vector<Point> Arc(Point centre, double rx, double ry, double from,
                       double to) {
  constexpr int kSteps = 48;
  std::vector<Point> points;
  for (int i = 0; i <= kSteps; ++i) {
    const double degrees = from + (to - from) * i / kSteps;
    const double t = degrees * std::numbers::pi / 180.0;
    points.push_back(
        {centre.x + rx * std::cos(t), centre.y - ry * std::sin(t)});
  }
  return points;
}

double DistanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = 0;
  if (length2 > 0) {
    t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
  }
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// How much of the pixel whose centre is `p` the stroke covers, 0..1, with a
// one-pixel soft edge.
double Coverage(const Stroke& stroke, Point p) {
  double nearest =
      std::hypot(p.x - stroke.points.front().x, p.y - stroke.points.front().y);
  for (std::size_t i = 1; i < stroke.points.size(); ++i) {
    nearest = std::min(
        nearest, DistanceToSegment(p, stroke.points[i - 1], stroke.points[i]));
  }
  return std::clamp(stroke.radius + 0.5 - nearest, 0.0, 1.0);
}

// The pen of the word and the face, in pixels either side of the line.
constexpr double kPen = 3.2;

std::vector<Stroke> SampleStrokes() {
  std::vector<Stroke> strokes;
  const auto line = [&](std::vector<Point> points, double radius = kPen) {
    strokes.push_back({std::move(points), radius});
  };
  const auto dot = [&](Point centre, double radius) {
    strokes.push_back({{centre}, radius});
  };
  const auto join = [](std::vector<Point> a, const std::vector<Point>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };

  // "S": two arcs meeting in the middle.
  line(join(Arc({34, 24}, 14, 12, 25, 270), Arc({34, 48}, 14, 12, 90, -155)));
  // "c"
  line(Arc({74, 48}, 11, 13, 50, 310));
  // "r": stem and shoulder
  line({{94, 35}, {94, 62}});
  line(Arc({106, 47}, 12, 11, 180, 70));
  // "i": stem and dot
  line({{122, 35}, {122, 62}});
  dot({122, 23}, 4.5);
  // "v"
  line({{132, 35}, {145, 62}, {158, 35}});
  // "l"
  line({{168, 8}, {168, 62}});
  // "e": bar, then round from its right end
  line(join({{179, 48}}, Arc({191, 48}, 12, 13, 0, 320)));
  // "t": stem with a hook, and its bar
  line(join({{220, 14}}, Arc({230, 54}, 10, 8, 180, 270)));
  line({{210, 35}, {234, 35}});
  // A dotted line under the word: the tool draws in dots.
  for (int x = 16; x <= 232; x += 12) {
    dot({static_cast<double>(x), 78}, 3.0);
  }
  // A face on the right.
  line(Arc({292, 46}, 33, 33, 0, 360));
  dot({280, 36}, 5.0);
  dot({304, 36}, 5.0);
  line(Arc({292, 50}, 18, 15, 200, 340));
  return strokes;
}

}  // namespace

IndexedImage SampleArtwork() {
  IndexedImage image;
  image.width = kSampleWidth;
  image.height = kSampleHeight;
  image.palette.resize(kSamplePaletteSize);
  for (int level = 0; level < 16; ++level) {
    const auto grey = static_cast<std::uint8_t>(level * 16);
    image.palette[static_cast<std::size_t>(level)] = {grey, grey, grey};
  }
  image.palette[kSampleWhite] = {255, 255, 255};

  const std::vector<Stroke> strokes = SampleStrokes();
  image.pixels.reserve(static_cast<std::size_t>(kSampleWidth) * kSampleHeight);
  for (int y = 0; y < kSampleHeight; ++y) {
    for (int x = 0; x < kSampleWidth; ++x) {
      const Point centre{x + 0.5, y + 0.5};
      double ink = 0;
      for (const Stroke& stroke : strokes) {
        ink = std::max(ink, Coverage(stroke, centre));
      }
      // Under a sixteenth of ink stays paper; the rest maps onto the greys.
      if (ink < 1.0 / 16) {
        image.pixels.push_back(kSampleWhite);
        continue;
      }
      const double grey = 255.0 * (1.0 - ink);
      const auto level =
          std::clamp(static_cast<int>(std::lround(grey / 16)), 0, 15);
      image.pixels.push_back(static_cast<std::uint8_t>(level));
    }
  }
  return image;
}

IndexedImage IconArtwork() {
  enum : std::uint8_t { kInk, kPaper, kEdge, kBody, kBodyShade, kTip, kWood };
  IndexedImage image;
  image.width = kIconSize;
  image.height = kIconSize;
  image.palette.resize(256);
  image.palette[kInk] = {0x20, 0x20, 0x28};
  image.palette[kPaper] = {0xFF, 0xFF, 0xFF};
  image.palette[kEdge] = {0x80, 0x88, 0x98};
  image.palette[kBody] = {0xF4, 0xC4, 0x30};
  image.palette[kBodyShade] = {0xC8, 0x90, 0x10};
  image.palette[kTip] = {0x40, 0x40, 0x40};
  image.palette[kWood] = {0xE8, 0xC8, 0x98};
  image.pixels.assign(static_cast<std::size_t>(kIconSize) * kIconSize,
                      kIconTransparent);
  const auto set = [&](int x, int y, std::uint8_t index) {
    if (x >= 0 && y >= 0 && x < kIconSize && y < kIconSize) {
      image.pixels[static_cast<std::size_t>(y) * kIconSize +
                   static_cast<std::size_t>(x)] = index;
    }
  };
  // Paper with a one-pixel edge.
  for (int y = 1; y <= 28; ++y) {
    for (int x = 1; x <= 26; ++x) {
      const bool edge = x == 1 || y == 1 || x == 26 || y == 28;
      set(x, y, edge ? kEdge : kPaper);
    }
  }
  // A dotted "S", each dot 2 x 2.
  const std::vector<Point> dots{{15, 5},  {11, 4},  {7, 6},   {5, 10},
                                {8, 13},  {12, 15}, {15, 18}, {15, 22},
                                {11, 25}, {6, 24}};
  for (const Point& p : dots) {
    const auto x = static_cast<int>(p.x);
    const auto y = static_cast<int>(p.y);
    set(x, y, kInk);
    set(x + 1, y, kInk);
    set(x, y + 1, kInk);
    set(x + 1, y + 1, kInk);
  }
  // A pencil lying diagonally, tip at the lower left of its body.
  for (int i = 0; i < 10; ++i) {
    const int x = 30 - i;
    const int y = 14 + i;
    set(x, y, kBody);
    set(x - 1, y, kBody);
    set(x + 1, y, kBodyShade);
    set(x, y + 1, kBodyShade);
  }
  set(20, 24, kWood);
  set(19, 24, kWood);
  set(20, 25, kWood);
  set(19, 25, kTip);
  set(18, 26, kTip);
  return image;
}

}  // namespace scrivlet::art
