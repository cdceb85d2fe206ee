#pragma once

// The narrow read-only view through which the plotters read the picture box.

#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

class PictureView {
 public:
  PictureView() = default;
  PictureView(const PictureView&) = delete;
  PictureView& operator=(const PictureView&) = delete;
  PictureView(PictureView&&) = delete;
  PictureView& operator=(PictureView&&) = delete;
  virtual ~PictureView() = default;

  // The box's inner width and height in pixels (the loops' inclusive ends).
  [[nodiscard]] virtual double ScaleWidth() const = 0;
  [[nodiscard]] virtual double ScaleHeight() const = 0;

  // The colour shown at (x, y): the picture's colour, white inside the box
  // beyond the picture, kInvalidColour outside the box's inner area.
  [[nodiscard]] virtual COLORREF GetPixel(std::int32_t x,
                                          std::int32_t y) const = 0;
};

}  // namespace scrivlet
