#pragma once

// Pictures for drawing into paint programs, the dots they must give, and the
// comparison of a canvas with those dots; what a drawing in any style should
// ink, from the engine's plan of it, and a grey picture.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "platform/platform_input.h"
#include "poll_for.h"

namespace scrivlet::testing {

// A black-and-white picture given by a rule.
class PatternPicture final : public PictureView {
 public:
  using Rule = std::function<bool(std::int32_t x, std::int32_t y)>;
  PatternPicture(std::int32_t width, std::int32_t height, Rule dark);

  [[nodiscard]] double ScaleWidth() const override { return width_; }
  [[nodiscard]] double ScaleHeight() const override { return height_; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override;
  [[nodiscard]] bool Dark(std::int32_t x, std::int32_t y) const;

 private:
  std::int32_t width_;
  std::int32_t height_;
  Rule dark_;
};

// Every sample dark: the benchmark's plain grid of dots.
PatternPicture SolidPicture(std::int32_t width, std::int32_t height);
// Shapes of several densities: solid blocks, diagonals, single dots, gaps.
PatternPicture MixedPicture(std::int32_t width, std::int32_t height);

enum class PlotMode : std::uint8_t { Absolute, Relative };

// Where each dot of `picture` should land when drawn from `origin`, worked
// out from the picture and the settings alone: absolute dots at
// origin + (x, y) * Magnification, relative ones at column i, row j of the
// samples, origin + (i, j + 1) * Magnification, with desktop pointer moves
// of exactly one pixel per unit.
std::vector<ScreenPoint> ExpectedDots(const PatternPicture& picture,
                                      const DrawSettings& settings,
                                      PlotMode mode, ScreenPoint origin);

// The smallest rectangle holding every point, grown by `margin`.
ScreenRect BoundingRect(const std::vector<ScreenPoint>& points,
                        std::int32_t margin);

struct CanvasCheck {
  int expected = 0;                  // dots that should show
  int landed = 0;                    // of those, pixels that show ink
  int stray = 0;                     // inked pixels where no dot belongs
  std::vector<ScreenPoint> missing;  // the first few dots that did not land
  std::vector<ScreenPoint> strays;   // the first few stray pixels
};

// Compares every pixel of the image with the dots: a dot pixel must differ
// from the paper colour, every other pixel must still be paper.
CanvasCheck CheckCanvas(const ScreenImage& image,
                        const std::vector<ScreenPoint>& dots, COLORREF paper);

// The largest rectangle of one colour around `seed` that a cross through the
// seed spans, checked to be uniform all over: a paint program's blank canvas
// as far as it is visible.
ScreenRect UniformAreaAround(const ScreenImage& image, ScreenPoint seed);

// Whether `inner` lies wholly inside `outer`.
bool Holds(const ScreenRect& outer, const ScreenRect& inner);

// Compares the screen with the dots, again until every dot shows or 3 s have
// passed: the last ones may still be on their way when a drawing ends.
template <typename Capture>  // ScreenImage(ScreenRect)
CanvasCheck CheckWhenLanded(Capture capture,
                            const std::vector<ScreenPoint>& dots,
                            COLORREF paper, std::int32_t margin) {
  CanvasCheck check;
  PollFor(
      [&] {
        check = CheckCanvas(capture(BoundingRect(dots, margin)), dots, paper);
        return check.landed == check.expected;
      },
      std::chrono::seconds(3), std::chrono::milliseconds(20));
  return check;
}

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

// "(x,y) (x,y) ...", for failure messages.
std::string Describe(const std::vector<ScreenPoint>& points);

}  // namespace scrivlet::testing
