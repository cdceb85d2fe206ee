#pragma once

// Which samples of the plotters' grid get ink. The picture is read once,
// over the same grid the plotters walk, and handed to the ditherer.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/ditherer.h"
#include "engine/draw_settings.h"
#include "engine/picture_view.h"

namespace scrivlet {

// One number per sample, row by row: 0 where the sample stays paper,
// otherwise which ink it gets, from 1 (black alone is 1; with the target's
// inks, n is DrawSettings::Inks[n - 1]).
struct InkGrid {
  int columns = 0;
  int rows = 0;
  std::vector<std::uint8_t> ink;  // [row * columns + column]

  // 0 outside the grid.
  [[nodiscard]] std::uint8_t InkAt(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns || row >= rows) return 0;
    return ink[static_cast<std::size_t>(row) *
                   static_cast<std::size_t>(columns) +
               static_cast<std::size_t>(column)];
  }
  // Whether the sample gets any ink.
  [[nodiscard]] bool At(int column, int row) const {
    return InkAt(column, row) != 0;
  }
};

// Grids above this many samples are refused: they would need gigabytes.
inline constexpr std::int64_t kMaxGridSamples = std::int64_t{1} << 24;

// The colour of every sample: column c, row r is picture pixel
// (c * Coarseness, r * Coarseness), walked with the plotters' checked 16-bit
// counters. Unlike the dot plotters the row end is read once: dithering
// needs the whole grid before the first event. Throws what StartGrid throws,
// OverflowError like the plotters' counters, and SettingsError above
// kMaxGridSamples.
SampleColours ReadSamples(const PictureView& picture,
                          const DrawSettings& settings);

// Every sample whose tone is not the paper, numbered by its tone from 1,
// the paper skipped.
InkGrid InkOf(const ToneGrid& tones, std::uint8_t paper);

// The samples of ink `number` alone, as ink 1.
InkGrid OnlyInk(const InkGrid& grid, std::uint8_t number);

// With settings.Dither, black on white, or settings.Inks on white where
// there are any; samples above `limit` are paper.
InkGrid BuildInkGrid(const PictureView& picture, const DrawSettings& settings,
                     double limit);

// The dot plotters' darkness test at picture pixel (x, y) of the grid. With
// no dithering the pixel is read afresh at each call, exactly as the dot
// plotters always have; otherwise the grid is built once up front.
class InkLookup {
 public:
  InkLookup(const PictureView& picture, const DrawSettings& settings,
            double limit);
  [[nodiscard]] bool Ink(std::int16_t x, std::int16_t y) const;

 private:
  const PictureView& picture_;
  double limit_;
  std::int16_t step_;
  bool dithered_;
  InkGrid grid_;
};

}  // namespace scrivlet
