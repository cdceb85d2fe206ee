#include "window/core/shown_picture.h"

#include <algorithm>
#include <utility>

namespace scrivlet {

std::uint32_t OverWhite(std::uint32_t argb) {
  const std::uint32_t alpha = argb >> 24U;
  const auto blend = [alpha](std::uint32_t channel) {
    return (channel * alpha + 255U * (255U - alpha) + 127U) / 255U;
  };
  return 0xFF000000U | blend((argb >> 16U) & 0xFFU) << 16U |
         blend((argb >> 8U) & 0xFFU) << 8U | blend(argb & 0xFFU);
}

COLORREF ColourAt(const Picture& picture, std::int32_t x, std::int32_t y) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
    return kInvalidColour;
  }
  const std::uint32_t argb =
      picture.argb[static_cast<std::size_t>(y) *
                       static_cast<std::size_t>(picture.width) +
                   static_cast<std::size_t>(x)];
  return ((argb >> 16U) & 0xFFU) | (argb & 0xFF00U) | (argb & 0xFFU) << 16U;
}

ShownPicture::ShownPicture(Picture picture) : shown_(std::move(picture)) {
  std::transform(shown_.argb.begin(), shown_.argb.end(), shown_.argb.begin(),
                 OverWhite);
}

}  // namespace scrivlet
