#pragma once

// Window geometry is stored in twips (1/1440 inch) and shown in pixels at
// the screen's logical DPI: 15 twips per pixel at 96 DPI.

#include <cmath>

namespace scrivlet {

inline constexpr double kTwipsPerInch = 1440.0;

struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TwipRect&, const TwipRect&) = default;
};

inline int TwipsToPixels(double twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / kTwipsPerInch));
}

inline double PixelsToTwips(int pixels, double dots_per_inch) {
  return pixels * kTwipsPerInch / dots_per_inch;
}

// The resize rule: the tab control keeps a 120-twip margin on every side of
// the window's inner area. A window smaller than the margins gets a tab
// control of zero size rather than a negative one.
inline TwipRect TabControlRectFor(double inner_width, double inner_height) {
  constexpr double kMargin = 120.0;
  const auto fit = [](double inner) {
    const double size = inner - 2 * kMargin;
    return size > 0 ? static_cast<int>(std::lround(size)) : 0;
  };
  return {static_cast<int>(kMargin), static_cast<int>(kMargin),
          fit(inner_width), fit(inner_height)};
}

}  // namespace scrivlet
