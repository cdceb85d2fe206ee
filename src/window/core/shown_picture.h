#pragma once

// A picture as the plotters read it: composited over white, as a picture
// with transparent parts shows, and read as colours.

#include <cstdint>

#include "engine/picture_view.h"
#include "window/core/picture.h"

namespace scrivlet {

// Source-over onto white: an opaque 0xFFRRGGBB.
std::uint32_t OverWhite(std::uint32_t argb);

// The colour at (x, y), kInvalidColour outside the picture.
COLORREF ColourAt(const Picture& picture, std::int32_t x, std::int32_t y);

// A picture on its own, its box exactly its size: what a drawing without a
// window reads.
class ShownPicture final : public PictureView {
 public:
  explicit ShownPicture(Picture picture);

  [[nodiscard]] double ScaleWidth() const override { return shown_.width; }
  [[nodiscard]] double ScaleHeight() const override { return shown_.height; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override {
    return ColourAt(shown_, x, y);
  }

 private:
  Picture shown_;
};

}  // namespace scrivlet
