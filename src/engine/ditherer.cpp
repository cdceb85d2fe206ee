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
      palette.paper >= palette.tones.size() ||
      (!palette.colours.empty() &&
       palette.colours.size() != palette.tones.size())) {
    throw std::invalid_argument(
        "a palette needs 1 to 255 tones, the paper among them, and a colour "
        "for each or none");
  }
}

struct Rgb {
  double r = 0;
  double g = 0;
  double b = 0;
  Rgb operator+(const Rgb& o) const { return {r + o.r, g + o.g, b + o.b}; }
  Rgb operator-(const Rgb& o) const { return {r - o.r, g - o.g, b - o.b}; }
  Rgb operator*(double k) const { return {r * k, g * k, b * k}; }
  Rgb& operator+=(const Rgb& o) { return *this = *this + o; }
};

Rgb RgbOf(COLORREF colour) {
  if (colour == kInvalidColour) return {255, 255, 255};
  return {static_cast<double>(RedFromRGB(static_cast<std::int32_t>(colour))),
          static_cast<double>(GreenFromRGB(static_cast<std::int32_t>(colour))),
          static_cast<double>(BlueFromRGB(static_cast<std::int32_t>(colour)))};
}

// Plain RGB distance, not a perceptual space: the inks and the picture are
// compared as the same screen shows them, and for the flat pictures colour
// drawing is for (shapes in colours near the target's swatches) the nearest
// ink by RGB was the one a person picks in every case we tried, including
// the benchmark's four inks; a perceptual space would cost a conversion per
// sample for no different answer there.
double Distance(const Rgb& a, const Rgb& b) {
  const Rgb d = a - b;
  return d.r * d.r + d.g * d.g + d.b * d.b;
}
double Distance(double a, double b) { return std::fabs(a - b); }

double ToneOf(const Palette& palette, std::size_t i, double /*brightness*/) {
  return palette.tones[i];
}
Rgb ToneOf(const Palette& palette, std::size_t i, const Rgb& /*colour*/) {
  return RgbOf(palette.colours[i]);
}

// The tone of the least distance from `value` (a brightness or a colour);
// ties go to the earlier one.
template <typename Value>
std::uint8_t Nearest(const Palette& palette, const Value& value,
                     bool inks_only) {
  std::size_t best = palette.paper;
  double best_distance = INFINITY;
  for (std::size_t i = 0; i < palette.tones.size(); ++i) {
    if (inks_only && i == palette.paper) continue;
    const double distance = Distance(value, ToneOf(palette, i, value));
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

double ValueOf(COLORREF colour, double /*kind*/) { return Brightness(colour); }
Rgb ValueOf(COLORREF colour, const Rgb& /*kind*/) { return RgbOf(colour); }

// Over brightness (Value double) or colour (Value Rgb).
template <typename Value>
void FloydSteinberg(const SampleColours& samples, const Palette& palette,
                    double limit, ToneGrid& out) {
  // Errors owed to this row and the next, one spare slot at either end
  // for what would fall off the grid.
  const auto width = static_cast<std::size_t>(samples.columns) + 2;
  std::vector<Value> here(width, Value{});
  std::vector<Value> below(width, Value{});
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
      const Value value = ValueOf(colour, Value{}) + here[slot];
      const std::uint8_t tone = Nearest(palette, value, false);
      out.tone[at] = tone;
      const Value error = value - ToneOf(palette, tone, value);
      const std::size_t forward = rightwards ? slot + 1 : slot - 1;
      const std::size_t backward = rightwards ? slot - 1 : slot + 1;
      here[forward] += error * (7.0 / 16.0);
      below[backward] += error * (3.0 / 16.0);
      below[slot] += error * (5.0 / 16.0);
      below[forward] += error * (1.0 / 16.0);
    }
    here.swap(below);
    std::fill(below.begin(), below.end(), Value{});
  }
}

}  // namespace

Palette BlackOnWhite() { return Palette{{0.0, 255.0}, 1}; }

Palette InksOnWhite(const InkList& inks) {
  Palette palette;
  for (const Ink& ink : inks) {
    palette.tones.push_back(Brightness(ink.colour));
    palette.colours.push_back(ink.colour);
  }
  palette.paper = static_cast<std::uint8_t>(inks.size());
  palette.tones.push_back(255.0);
  palette.colours.push_back(0xFFFFFFU);
  return palette;
}

ToneGrid Dither(const SampleColours& samples, DitherStyle style,
                const Palette& palette, double limit) {
  CheckPalette(palette);
  ToneGrid out{samples.columns, samples.rows,
               std::vector<std::uint8_t>(samples.colour.size(), palette.paper)};
  const bool coloured = !palette.colours.empty();
  if (style == DitherStyle::FloydSteinberg) {
    if (coloured) {
      FloydSteinberg<Rgb>(samples, palette, limit, out);
    } else {
      FloydSteinberg<double>(samples, palette, limit, out);
    }
    return out;
  }
  for (int row = 0; row < samples.rows; ++row) {
    for (int column = 0; column < samples.columns; ++column) {
      const COLORREF colour = samples.At(column, row);
      if (Paper(colour, limit)) continue;
      std::uint8_t& tone = out.tone[Index(samples, column, row)];
      if (coloured) {
        tone = Nearest(palette, RgbOf(colour), true);
      } else if (style == DitherStyle::Bayer) {
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
