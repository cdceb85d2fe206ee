#pragma once

// The window's fonts. Controls with a font of their own ask for "ＭＳ
// Ｐゴシック" by name; where it is not installed the metric-compatible
// IPAPGothic stands in, so Japanese text renders and fits.

#include <QFont>

namespace scrivlet {

inline constexpr const char* kControlFontFamily = "ＭＳ Ｐゴシック";
inline constexpr const char* kUiFontFamily = "MS UI Gothic";
inline constexpr const char* kStandInFontFamily = "IPAPGothic";

// Registers the stand-ins and makes the Japanese UI font the default of
// controls without a font of their own. Call once, before building windows.
void InstallJapaneseFonts();

// "ＭＳ Ｐゴシック" at the given size, regular weight.
QFont ControlFont(double point_size);

}  // namespace scrivlet
