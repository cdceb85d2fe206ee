#pragma once

// Turning each sample into a tone the drawing can leave: one of the inks or
// the paper. Black on white works on brightness alone; the target's own
// inks (DrawSettings::Inks) are matched by colour.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/draw_settings.h"
#include "platform/platform_input.h"

namespace scrivlet {

// The colour of every sample of a grid, row by row.
struct SampleColours {
  int columns = 0;
  int rows = 0;
  std::vector<COLORREF> colour;  // [row * columns + column]

  [[nodiscard]] COLORREF At(int column, int row) const {
    return colour[static_cast<std::size_t>(row) *
                      static_cast<std::size_t>(columns) +
                  static_cast<std::size_t>(column)];
  }
};

// The tones a drawing can leave, each as the brightness it shows (0..255).
// `paper` indexes the tone that is left undrawn. With `colours` (one per
// tone) tones are matched by colour instead of brightness.
struct Palette {
  std::vector<double> tones;
  std::uint8_t paper = 0;
  std::vector<COLORREF> colours{};
};

// Black ink (tone 0) on white paper (tone 1).
Palette BlackOnWhite();

// The inks as tones 0..n-1 in their order, white paper as tone n.
Palette InksOnWhite(const InkList& inks);

// The tone chosen for every sample, row by row, as an index into the
// palette's tones.
struct ToneGrid {
  int columns = 0;
  int rows = 0;
  std::vector<std::uint8_t> tone;  // [row * columns + column]

  [[nodiscard]] std::uint8_t At(int column, int row) const {
    return tone[static_cast<std::size_t>(row) *
                    static_cast<std::size_t>(columns) +
                static_cast<std::size_t>(column)];
  }
};

// Chooses a tone for every sample. Whatever the style, a sample whose
// brightness is above `limit` is paper. With DitherStyle::Off every other
// sample takes the nearest ink; Floyd-Steinberg diffuses each sample's error
// to its unvisited neighbours, rows alternating left-to-right and
// right-to-left; Bayer compares against a 4 x 4 ordered pattern. With
// colours the nearest tone is the nearest in RGB, Floyd-Steinberg diffuses
// each channel's error, and Bayer, whose pattern orders brightness only,
// takes the nearest ink as Off does.
// Throws std::invalid_argument for a palette without tones, with more than
// 255, whose paper is not one of them or whose colours do not match them.
ToneGrid Dither(const SampleColours& samples, DitherStyle style,
                const Palette& palette, double limit);

}  // namespace scrivlet
