#pragma once

#include <cstdint>

#include "engine/inks.h"

namespace scrivlet {

// How a sample's brightness becomes ink or paper.
enum class DitherStyle : std::uint8_t {
  // Not "None": X11's headers make that a macro.
  Off,             // dark when not above the darkness limit
  FloydSteinberg,  // error diffusion, alternating direction row by row
  Bayer,           // ordered, a 4 x 4 threshold pattern
};

// The four drawing parameters, owned by the main window for the whole run.
// All are 0 until the window's load handler fills them.
struct DrawSettings {
  std::int16_t Coarseness = 0;     // sampling step in picture pixels
  std::int16_t Magnification = 0;  // screen pixels (absolute) or mouse units
                                   // (relative) per sample step
  std::int16_t Threshold = 0;      // darkness limit of the absolute plotter
  std::int16_t DragInput = 0;      // 0 false, -1 true
  // Drawing styles, off by default: runs of ink become one press-move-release
  // stroke each (DragInput then has no meaning), and the ink comes from a
  // ditherer instead of the bare darkness limit.
  bool Strokes = false;
  DitherStyle Dither = DitherStyle::Off;
  // The target's swatches to draw with; empty draws black.
  InkList Inks{};

  [[nodiscard]] bool drag() const { return DragInput != 0; }
};

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

}  // namespace scrivlet
