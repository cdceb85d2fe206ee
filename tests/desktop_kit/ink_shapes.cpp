#include "ink_shapes.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <optional>
#include <stdexcept>

#include "delivery/confirmation.h"
#include "dot_pattern.h"
#include "paint_program.h"

namespace scrivlet::testing {
namespace {

int Channel(COLORREF colour, unsigned shift) {
  return static_cast<int>((colour >> shift) & 0xFFU);
}

int Distance(COLORREF a, COLORREF b) {
  int sum = 0;
  for (unsigned shift = 0; shift < 24; shift += 8) {
    const int d = Channel(a, shift) - Channel(b, shift);
    sum += d * d;
  }
  return sum;
}

bool Uniform(const ScreenImage& image, ScreenPoint at, COLORREF colour) {
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -4; dx <= 4; ++dx) {
      if (image.At({at.x + dx, at.y + dy}) != colour) return false;
    }
  }
  return true;
}

constexpr std::array<COLORREF, 4> kPrimaryColours{0x0000FF, 0x00FF00, 0xFF0000,
                                                  0x00FFFF};

// For each of `wanted`, the swatch in `image` whose colour is nearest it, at
// the block's middle; throws when one has none within a fair distance.
InkList FindSwatches(const ScreenImage& image,
                     const std::array<COLORREF, 4>& wanted) {
  InkList inks;
  for (const COLORREF colour : wanted) {
    std::optional<Ink> best;
    int best_distance = std::numeric_limits<int>::max();
    const ScreenRect& r = image.area;
    for (std::int32_t y = r.top + 2; y < r.top + r.height - 2; ++y) {
      for (std::int32_t x = r.left + 4; x < r.left + r.width - 4; ++x) {
        const std::optional<COLORREF> here = image.At({x, y});
        if (!here || Distance(*here, colour) >= best_distance ||
            !Uniform(image, {x, y}, *here)) {
          continue;
        }
        // The block's middle: as far right and down as it stays uniform.
        std::int32_t right = x;
        while (Uniform(image, {right + 1, y}, *here)) ++right;
        std::int32_t bottom = y;
        while (Uniform(image, {x, bottom + 1}, *here)) ++bottom;
        best = Ink{{(x + right) / 2, (y + bottom) / 2}, *here};
        best_distance = Distance(*here, colour);
      }
    }
    // Each channel within 80 of the wanted one, about.
    if (!best || best_distance > 3 * 80 * 80) {
      throw std::runtime_error("no swatch near colour " +
                               std::to_string(colour) + " on the screen");
    }
    inks.push_back(*best);
  }
  return inks;
}

}  // namespace

InkList FindPrimarySwatches(const PaintProgram& program) {
  const ScreenRect canvas = program.canvas();
  Display* display = program.display();
  const std::int32_t width = DisplayWidth(display, DefaultScreen(display));
  try {
    return FindSwatches(program.Capture({0, canvas.top, width, canvas.height}),
                        kPrimaryColours);
  } catch (const std::runtime_error&) {
    // xpaint keeps its palette in a band between the menus and the canvas.
    return FindSwatches(
        program.Capture({0, 0, canvas.left + canvas.width, canvas.top}),
        kPrimaryColours);
  }
}

InkShapes::InkShapes(const InkList& inks) {
  for (const Ink& ink : inks) {
    COLORREF off = 0;
    for (unsigned shift = 0; shift < 24; shift += 8) {
      const int c = Channel(ink.colour, shift);
      off |= static_cast<COLORREF>(c + (c < 128 ? 24 : -24)) << shift;
    }
    off_.push_back(off);
  }
}

int InkShapes::ShapeAt(std::int32_t x, std::int32_t y) {
  if (x >= 4 && x < 36 && y >= 4 && y < 30) return 0;
  const int dx = x - 60;
  const int dy = y - 17;
  if (dx * dx + dy * dy <= 13 * 13) return 1;
  if (x >= 82 && x < 116 && y >= 4 && y < 32 && x - 82 >= y - 4) return 2;
  if (x >= 4 && x < 116 && y >= 40 && y < 54) return 3;
  return -1;
}

COLORREF InkShapes::GetPixel(std::int32_t x, std::int32_t y) const {
  const int shape = ShapeAt(x, y);
  return shape < 0 || static_cast<std::size_t>(shape) >= off_.size()
             ? 0xFFFFFF
             : off_[static_cast<std::size_t>(shape)];
}

InkCheck CheckInks(const ScreenImage& image, const InkList& inks,
                   ScreenPoint origin, std::int16_t step, COLORREF paper) {
  InkCheck check;
  std::vector<ScreenPoint> aimed;
  for (std::int32_t y = 0; y < 60; y += step) {
    for (std::int32_t x = 0; x < 120; x += step) {
      const int shape = InkShapes::ShapeAt(x, y);
      if (shape < 0) continue;
      const ScreenPoint at{origin.x + x, origin.y + y};
      aimed.push_back(at);
      const std::optional<COLORREF> now = image.At(at);
      if (now && SameInk(*now, inks[static_cast<std::size_t>(shape)].colour)) {
        ++check.right;
        continue;
      }
      check.wrong += now && *now != paper ? 1 : 0;
      if (check.missed.size() < 8) check.missed.push_back(at);
    }
  }
  check.expected = static_cast<int>(aimed.size());
  check.stray = CheckCanvas(image, aimed, paper).stray;
  return check;
}

std::string Describe(const InkCheck& check) {
  std::string text = std::to_string(check.right) + " of " +
                     std::to_string(check.expected) + " in their ink, " +
                     std::to_string(check.wrong) + " wrong, " +
                     std::to_string(check.stray) + " stray ";
  return text + Describe(check.missed);
}

}  // namespace scrivlet::testing
