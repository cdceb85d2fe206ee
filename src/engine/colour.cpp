#include "engine/colour.h"

#include "engine/checked_math.h"

namespace scrivlet {

std::int16_t RedFromRGB(std::int32_t rgb) {
  return static_cast<std::int16_t>(rgb & 0xFF);
}

std::int16_t GreenFromRGB(std::int32_t rgb) {
  return static_cast<std::int16_t>((rgb >> 8) & 0xFF);
}

std::int16_t BlueFromRGB(std::int32_t rgb) {
  return static_cast<std::int16_t>((rgb >> 16) & 0xFF);
}

double Brightness(COLORREF colour) {
  const auto rgb = static_cast<std::int32_t>(colour);
  const std::int16_t sum = CheckedAdd16(
      CheckedAdd16(RedFromRGB(rgb), GreenFromRGB(rgb)), BlueFromRGB(rgb));
  return static_cast<double>(sum) / 3.0;
}

bool IsDark(COLORREF colour, double limit) {
  return !(Brightness(colour) > limit);
}

}  // namespace scrivlet
