#pragma once

// Splitting a desktop colour into its channels, and the darkness test.

#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

// The lowest, second and third byte of a 0x00BBGGRR colour, 0..255.
std::int16_t RedFromRGB(std::int32_t rgb);
std::int16_t GreenFromRGB(std::int32_t rgb);
std::int16_t BlueFromRGB(std::int32_t rgb);

// (red + green + blue) / 3. The invalid colour 0xFFFFFFFF reads as white.
double Brightness(COLORREF colour);

// A sample is dark when its brightness is not above the limit.
bool IsDark(COLORREF colour, double limit);

// The relative plotter's fixed darkness limit.
inline constexpr double kRelativeDarknessLimit = 200.0;

}  // namespace scrivlet
