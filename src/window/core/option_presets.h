#pragma once

// What choosing a coordinate mode puts into the magnification and
// coarseness boxes; the absolute mode's preset is also what they hold at
// start.

#include <array>

#include "window/core/window_texts.h"

namespace scrivlet {

struct OptionPreset {
  const char* magnification;
  const char* coarseness;
};

// Indexed by the option: 0 absolute, 1 relative.
inline constexpr std::array<OptionPreset, 2> kOptionPresets{{
    {texts::kMagnificationDefault, texts::kCoarsenessDefault},
    {"2", "2"},
}};

}  // namespace scrivlet
