#include "screen_capture.h"

#include <X11/Xutil.h>

#include <stdexcept>

namespace scrivlet::testing {

ScreenImage CaptureScreen(Display* display, ScreenRect rect) {
  XImage* image =
      XGetImage(display, DefaultRootWindow(display), rect.left, rect.top,
                static_cast<unsigned>(rect.width),
                static_cast<unsigned>(rect.height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    throw std::runtime_error("Cannot read the screen back");
  }
  std::vector<std::optional<COLORREF>> pixels;
  pixels.reserve(static_cast<std::size_t>(rect.width) *
                 static_cast<std::size_t>(rect.height));
  for (int y = 0; y < rect.height; ++y) {
    for (int x = 0; x < rect.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      // 0xRRGGBB on the screen, 0xBBGGRR as COLORREF.
      pixels.emplace_back(static_cast<COLORREF>(((pixel >> 16U) & 0xFFU) |
                                                (pixel & 0xFF00U) |
                                                ((pixel & 0xFFU) << 16U)));
    }
  }
  XDestroyImage(image);
  return {rect, std::move(pixels)};
}

ScreenRect UniformAreaAround(const ScreenImage& image, ScreenPoint seed) {
  const std::optional<COLORREF> colour = image.At(seed);
  const auto same = [&](std::int32_t x, std::int32_t y) {
    return colour && image.At({x, y}) == colour;
  };
  std::int32_t left = seed.x;
  std::int32_t right = seed.x;
  std::int32_t top = seed.y;
  std::int32_t bottom = seed.y;
  while (same(left - 1, seed.y)) --left;
  while (same(right + 1, seed.y)) ++right;
  while (same(seed.x, top - 1)) --top;
  while (same(seed.x, bottom + 1)) ++bottom;
  for (std::int32_t y = top; y <= bottom; ++y) {
    for (std::int32_t x = left; x <= right; ++x) {
      if (!same(x, y)) {
        throw std::runtime_error("The canvas around the seed is not blank");
      }
    }
  }
  return {left, top, right - left + 1, bottom - top + 1};
}

}  // namespace scrivlet::testing
