#pragma once

// The target's own swatches, registered by the user: clicking a swatch
// selects its colour in the target, so each ink is drawn after a click on
// its swatch.

#include <vector>

#include "platform/platform_input.h"

namespace scrivlet {

struct Ink {
  ScreenPoint swatch;   // where the swatch was read, in screen pixels
  COLORREF colour = 0;  // 0x00BBGGRR, as the screen showed it
  friend bool operator==(const Ink&, const Ink&) = default;
};

// In the order the user registered them. Empty: black, as without colour.
using InkList = std::vector<Ink>;

}  // namespace scrivlet
