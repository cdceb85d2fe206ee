#pragma once

#include <cstdint>

namespace scrivlet {

// The four drawing parameters, owned by the main window for the whole run.
// All are 0 until the window's load handler fills them.
struct DrawSettings {
  std::int16_t Coarseness = 0;     // sampling step in picture pixels
  std::int16_t Magnification = 0;  // screen pixels (absolute) or mouse units
                                   // (relative) per sample step
  std::int16_t Threshold = 0;      // darkness limit of the absolute plotter
  std::int16_t DragInput = 0;      // 0 false, -1 true

  [[nodiscard]] bool drag() const { return DragInput != 0; }
};

inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

}  // namespace scrivlet
