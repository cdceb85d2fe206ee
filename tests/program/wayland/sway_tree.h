#pragma once

// Sway's windows through its IPC (swaymsg). Apart from the X11-based kit:
// Qt's JSON and Xlib's macros do not mix.

#include <optional>
#include <string>

#include "platform/platform_input.h"

namespace scrivlet::testing {

struct SwayWindow {
  std::string title;
  ScreenPoint origin;
  ScreenPoint size;
};

// The window whose app_id is `app_id`, if sway shows one.
std::optional<SwayWindow> FindSwayWindow(const std::string& app_id);

}  // namespace scrivlet::testing
