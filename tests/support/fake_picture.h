#pragma once

// A picture box for tests: a picture drawn in text, inside a box that may be
// larger than the picture.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/picture_view.h"

namespace scrivlet::testing {

class FakePicture : public PictureView {
 public:
  // One string per row, all of one length; '#' is black, '.' is white.
  // The box's inner area defaults to the picture's own size.
  explicit FakePicture(std::vector<std::string> rows, double box_width = -1,
                       double box_height = -1);
  // A box of the given inner size filled with one colour.
  FakePicture(double box_width, double box_height, COLORREF fill);

  void SetPixel(std::int32_t x, std::int32_t y, COLORREF colour);

  [[nodiscard]] double ScaleWidth() const override { return box_width_; }
  [[nodiscard]] double ScaleHeight() const override { return box_height_; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override;

 private:
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  double box_width_ = 0;
  double box_height_ = 0;
  std::vector<COLORREF> pixels_;
};

}  // namespace scrivlet::testing
