#pragma once

// What a drawing in any style should ink, worked out from the engine's plan
// of it (dots, or strokes joined by one-pixel lines), and a grey picture
// with the measure of how well a drawing keeps its tones.

#include <cstdint>
#include <vector>

#include "dot_pattern.h"
#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "screen_capture.h"

namespace scrivlet::testing {

// Every pixel `settings` should ink when `picture` is drawn from `origin`:
// each planned dot or stroke's samples placed as ExpectedDots places them,
// a stroke's ends joined by the straight line between them.
std::vector<ScreenPoint> ExpectedInk(const PictureView& picture,
                                     const DrawSettings& settings,
                                     PlotMode mode, ScreenPoint origin);

// A photo-like grey picture: a left-to-right gradient, a top-to-bottom one
// in a band below it, and a disc lit from the upper left.
class GreyPicture final : public PictureView {
 public:
  GreyPicture(std::int32_t width, std::int32_t height)
      : width_(width), height_(height) {}
  [[nodiscard]] double ScaleWidth() const override { return width_; }
  [[nodiscard]] double ScaleHeight() const override { return height_; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override;

 private:
  std::int32_t width_;
  std::int32_t height_;
};

// How far a drawing's tones are from the picture's: the mean difference of
// brightness (0..1) between the picture and the drawing captured in `image`
// from `origin`, one screen pixel per picture pixel, both blurred by the same
// 5 x 5 box, over the picture's area. The drawing is read as black where
// it is not `paper` and white where it is, whatever colours the target
// paints with (mtpaint's are red on black).
double BlurredToneError(const PictureView& picture, const ScreenImage& image,
                        ScreenPoint origin, COLORREF paper);

}  // namespace scrivlet::testing
