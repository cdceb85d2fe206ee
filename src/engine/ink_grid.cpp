#include "engine/ink_grid.h"

#include <string>

#include "engine/colour.h"
#include "engine/sample_grid.h"

namespace scrivlet {

SampleColours ReadSamples(const PictureView& picture,
                          const DrawSettings& settings) {
  const GridEnds grid = StartGrid(picture, settings);
  const std::int16_t row_end = RowEnd(picture);
  SampleColours samples{
      GridCount(grid.column_end, grid.step), GridCount(row_end, grid.step), {}};
  const std::int64_t count =
      std::int64_t{samples.columns} * std::int64_t{samples.rows};
  if (count > kMaxGridSamples) {
    throw SettingsError("a grid of " + std::to_string(count) +
                        " samples is more than the " +
                        std::to_string(kMaxGridSamples) +
                        " that strokes or dithering can hold");
  }
  samples.colour.resize(static_cast<std::size_t>(count));
  int column = 0;
  for (std::int16_t x = 0; WithinEnd(x, grid.column_end, grid.step);
       x = CheckedAdd16(x, grid.step), ++column) {
    int row = 0;
    for (std::int16_t y = 0; WithinEnd(y, row_end, grid.step);
         y = CheckedAdd16(y, grid.step), ++row) {
      samples.colour[static_cast<std::size_t>(row) *
                         static_cast<std::size_t>(samples.columns) +
                     static_cast<std::size_t>(column)] = picture.GetPixel(x, y);
    }
  }
  return samples;
}

InkGrid InkOf(const ToneGrid& tones, std::uint8_t paper) {
  InkGrid grid{tones.columns, tones.rows,
               std::vector<std::uint8_t>(tones.tone.size(), 0)};
  for (std::size_t i = 0; i < tones.tone.size(); ++i) {
    const std::uint8_t tone = tones.tone[i];
    grid.ink[i] = tone == paper  ? 0
                  : tone < paper ? static_cast<std::uint8_t>(tone + 1)
                                 : tone;
  }
  return grid;
}

InkGrid OnlyInk(const InkGrid& grid, std::uint8_t number) {
  InkGrid only{grid.columns, grid.rows,
               std::vector<std::uint8_t>(grid.ink.size(), 0)};
  for (std::size_t i = 0; i < grid.ink.size(); ++i) {
    only.ink[i] = grid.ink[i] == number ? 1 : 0;
  }
  return only;
}

InkGrid BuildInkGrid(const PictureView& picture, const DrawSettings& settings,
                     double limit) {
  const Palette palette =
      settings.Inks.empty() ? BlackOnWhite() : InksOnWhite(settings.Inks);
  return InkOf(
      Dither(ReadSamples(picture, settings), settings.Dither, palette, limit),
      palette.paper);
}

InkLookup::InkLookup(const PictureView& picture, const DrawSettings& settings,
                     double limit)
    : picture_(picture),
      limit_(limit),
      step_(settings.Coarseness),
      dithered_(settings.Dither != DitherStyle::Off) {
  if (dithered_) grid_ = BuildInkGrid(picture, settings, limit);
}

bool InkLookup::Ink(std::int16_t x, std::int16_t y) const {
  if (!dithered_) return IsDark(picture_.GetPixel(x, y), limit_);
  // Grid counters are whole multiples of the step.
  return grid_.At(x / step_, y / step_);
}

}  // namespace scrivlet
