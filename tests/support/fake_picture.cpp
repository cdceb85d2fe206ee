#include "fake_picture.h"

#include <stdexcept>
#include <utility>

namespace scrivlet::testing {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;

}  // namespace

FakePicture::FakePicture(std::vector<std::string> rows, double box_width,
                         double box_height)
    : width_(rows.empty() ? 0 : static_cast<std::int32_t>(rows[0].size())),
      height_(static_cast<std::int32_t>(rows.size())),
      box_width_(box_width < 0 ? width_ : box_width),
      box_height_(box_height < 0 ? height_ : box_height) {
  for (const std::string& row : rows) {
    if (std::cmp_not_equal(row.size(), width_)) {
      throw std::invalid_argument("FakePicture rows differ in length");
    }
    for (const char c : row) {
      if (c != '#' && c != '.') {
        throw std::invalid_argument("FakePicture takes only '#' and '.'");
      }
      pixels_.push_back(c == '#' ? kBlack : kWhite);
    }
  }
}

FakePicture::FakePicture(double box_width, double box_height, COLORREF fill)
    : width_(static_cast<std::int32_t>(box_width)),
      height_(static_cast<std::int32_t>(box_height)),
      box_width_(box_width),
      box_height_(box_height),
      pixels_(
          static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
          fill) {}

void FakePicture::SetPixel(std::int32_t x, std::int32_t y, COLORREF colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    throw std::out_of_range("FakePicture::SetPixel outside the picture");
  }
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
          static_cast<std::size_t>(x)] = colour;
}

COLORREF FakePicture::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= box_width_ || y >= box_height_) {
    return kInvalidColour;
  }
  if (x >= width_ || y >= height_) return kWhite;
  return pixels_[static_cast<std::size_t>(y) *
                     static_cast<std::size_t>(width_) +
                 static_cast<std::size_t>(x)];
}

}  // namespace scrivlet::testing
