#pragma once

// Colour drawings in a real target: its palette's swatches found on the
// screen, a picture of flat shapes in colours a little off them, and a
// check of which ink each dot shows.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

class PaintProgram;

// The swatches (uniform blocks of at least 9 x 5 pixels) nearest red, green,
// blue and yellow, four inks every palette has, in the screen's rows of the
// program's canvas, where most paint programs and drawing games keep their
// palettes (beside the canvas, not among the toolbars' icons above it);
// failing that, in the band above the canvas, where xpaint keeps its.
InkList FindPrimarySwatches(const PaintProgram& program);

// Four flat shapes on white, 120 x 60: a rectangle, a disc, a triangle and
// a bar, shape i in inks[i]'s colour moved 24 steps a channel towards grey,
// so that it is near that ink and none of the others.
class InkShapes final : public PictureView {
 public:
  explicit InkShapes(const InkList& inks);
  // The shape at picture pixel (x, y), -1 for the white around them.
  [[nodiscard]] static int ShapeAt(std::int32_t x, std::int32_t y);
  [[nodiscard]] double ScaleWidth() const override { return 120; }
  [[nodiscard]] double ScaleHeight() const override { return 60; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override;

 private:
  std::vector<COLORREF> off_;
};

struct InkCheck {
  int expected = 0;
  int right = 0;  // showing their shape's ink
  int wrong = 0;  // showing another colour than paper or their ink
  int stray = 0;  // pixels off the dots no longer paper
  std::vector<ScreenPoint> missed;  // first few dots not in their ink
};

// Every sample of the grid (coarseness `step`, magnification 1 from
// `origin`) in a shape must show that shape's ink in `image`; every other
// pixel of the image must show `paper`.
InkCheck CheckInks(const ScreenImage& image, const InkList& inks,
                   ScreenPoint origin, std::int16_t step, COLORREF paper);

std::string Describe(const InkCheck& check);

}  // namespace scrivlet::testing
