#pragma once

// Reading the X screen back in bulk, to compare a paint program's canvas
// with the dots it should show.

#include <X11/Xlib.h>

#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

struct ScreenRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

  [[nodiscard]] bool Contains(ScreenPoint p) const {
    return p.x >= x && p.y >= y && p.x < x + width && p.y < y + height;
  }
};

// The colours of a rectangle of the screen, row by row, as COLORREF.
class ScreenImage {
 public:
  ScreenImage(ScreenRect rect, std::vector<COLORREF> pixels)
      : rect_(rect), pixels_(std::move(pixels)) {}

  [[nodiscard]] const ScreenRect& rect() const { return rect_; }
  // The colour at a screen point inside the rectangle.
  [[nodiscard]] COLORREF At(ScreenPoint p) const {
    return pixels_[static_cast<std::size_t>(p.y - rect_.y) *
                       static_cast<std::size_t>(rect_.width) +
                   static_cast<std::size_t>(p.x - rect_.x)];
  }

 private:
  ScreenRect rect_;
  std::vector<COLORREF> pixels_;
};

// Reads `rect` of the root window (24-bit TrueColor screens).
ScreenImage CaptureScreen(Display* display, ScreenRect rect);

// The largest rectangle of one colour around `seed` that a cross through the
// seed spans, checked to be uniform all over: a paint program's blank canvas
// as far as it is visible.
ScreenRect UniformAreaAround(const ScreenImage& image, ScreenPoint seed);

}  // namespace scrivlet::testing
