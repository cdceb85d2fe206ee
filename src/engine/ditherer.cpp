#include "engine/ditherer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "engine/colour.h"

namespace scrivlet {
namespace {

// Thresholds of the ordered pattern: each value of a 4 x 4 tile once, spread
// so that every partial count of them covers the tile evenly.
constexpr std::array<std::array<int, 4>, 4> kBayer = {{
    {0, 8, 2, 10},
    {12, 4, 14, 6},
    {3, 11, 1, 9},
    {15, 7, 13, 5},
}};

void CheckPalette(const Palette& palette) {
  if (palette.tones.empty() || palette.tones.size() > 255 ||
      palette.paper >= palette.tones.size()) {
    throw std::invalid_argument(
        "a palette needs 1 to 255 tones, the paper among them");
  }
}

// The tone of the least distance from `value`; ties go to the earlier one.
std::uint8_t Nearest(const Palette& palette, double value, bool inks_only) {
  std::size_t best = palette.paper;
  double best_distance = INFINITY;
  for (std::size_t i = 0; i < palette.tones.size(); ++i) {
    if (inks_only && i == palette.paper) continue;
    const double distance = std::fabs(value - palette.tones[i]);
    if (distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return static_cast<std::uint8_t>(best);
}

// Between the two tones around `value`, the lighter one when the value's
// share of the way up reaches `cut` (0..1).
std::uint8_t Ordered(const Palette& palette, double value, double cut) {
  std::size_t darker = palette.tones.size();
  std::size_t lighter = palette.tones.size();
  for (std::size_t i = 0; i < palette.tones.size(); ++i) {
    const double tone = palette.tones[i];
    if (tone <= value &&
        (darker == palette.tones.size() || tone > palette.tones[darker])) {
      darker = i;
    }
    if (tone >= value &&
        (lighter == palette.tones.size() || tone < palette.tones[lighter])) {
      lighter = i;
    }
  }
  if (darker == palette.tones.size()) return static_cast<std::uint8_t>(lighter);
  if (lighter == palette.tones.size() ||
      palette.tones[lighter] == palette.tones[darker]) {
    return static_cast<std::uint8_t>(darker);
  }
  const double share = (value - palette.tones[darker]) /
                       (palette.tones[lighter] - palette.tones[darker]);
  return static_cast<std::uint8_t>(share >= cut ? lighter : darker);
}

bool Paper(COLORREF colour, double limit) { return !IsDark(colour, limit); }

std::size_t Index(const SampleColours& samples, int column, int row) {
  return static_cast<std::size_t>(row) *
             static_cast<std::size_t>(samples.columns) +
         static_cast<std::size_t>(column);
}

void FloydSteinberg(const SampleColours& samples, const Palette& palette,
                    double limit, ToneGrid& out) {
  // Errors owed to this row and the next, one spare slot at either end
  // for what would fall off the grid.
  const auto width = static_cast<std::size_t>(samples.columns) + 2;
  std::vector<double> here(width, 0.0);
  std::vector<double> below(width, 0.0);
  for (int row = 0; row < samples.rows; ++row) {
    const bool rightwards = row % 2 == 0;
    for (int i = 0; i < samples.columns; ++i) {
      const int column = rightwards ? i : samples.columns - 1 - i;
      const COLORREF colour = samples.At(column, row);
      const std::size_t at = Index(samples, column, row);
      // A sample the limit calls paper neither keeps nor passes on error:
      // passing on its shortfall from white would pile up across a light
      // area and spill as a dark fringe onto the first sample past it.
      if (Paper(colour, limit)) {
        out.tone[at] = palette.paper;
        continue;
      }
      const std::size_t slot = static_cast<std::size_t>(column) + 1;
      const double value = Brightness(colour) + here[slot];
      const std::uint8_t tone = Nearest(palette, value, false);
      out.tone[at] = tone;
      const double error = value - palette.tones[tone];
      const std::size_t forward = rightwards ? slot + 1 : slot - 1;
      const std::size_t backward = rightwards ? slot - 1 : slot + 1;
      here[forward] += error * 7.0 / 16.0;
      below[backward] += error * 3.0 / 16.0;
      below[slot] += error * 5.0 / 16.0;
      below[forward] += error * 1.0 / 16.0;
    }
    here.swap(below);
    std::fill(below.begin(), below.end(), 0.0);
  }
}

}  // namespace

Palette BlackOnWhite() { return Palette{{0.0, 255.0}, 1}; }

ToneGrid Dither(const SampleColours& samples, DitherStyle style,
                const Palette& palette, double limit) {
  CheckPalette(palette);
  ToneGrid out{samples.columns, samples.rows,
               std::vector<std::uint8_t>(samples.colour.size(), palette.paper)};
  if (style == DitherStyle::FloydSteinberg) {
    FloydSteinberg(samples, palette, limit, out);
    return out;
  }
  for (int row = 0; row < samples.rows; ++row) {
    for (int column = 0; column < samples.columns; ++column) {
      const COLORREF colour = samples.At(column, row);
      if (Paper(colour, limit)) continue;
      std::uint8_t& tone = out.tone[Index(samples, column, row)];
      if (style == DitherStyle::Bayer) {
        const auto& tile = kBayer[static_cast<std::size_t>(row % 4)];
        const double cut =
            (tile[static_cast<std::size_t>(column % 4)] + 0.5) / 16.0;
        tone = Ordered(palette, Brightness(colour), cut);
      } else {
        tone = Nearest(palette, Brightness(colour), true);
      }
    }
  }
  return out;
}

}  // namespace scrivlet
