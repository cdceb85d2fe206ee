#pragma once

// Asking sway through its IPC (swaymsg), and running a program to its end
// with its output kept. Apart from the X11-based kit: Qt's JSON and Xlib's
// macros do not mix.

#include <optional>
#include <string>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

struct SwayWindow {
  std::string title;
  ScreenPoint origin;
  ScreenPoint size;
};

// The window whose app_id is `app_id`, if sway shows one.
std::optional<SwayWindow> FindSwayWindow(const std::string& app_id);
// Runs a sway command; throws std::runtime_error if sway refuses it.
void Swaymsg(const std::string& command);

struct Finished {
  int exit_code = -1;
  std::string output;
};

// Runs a program to its end with the session's environment.
Finished RunCapturing(const std::vector<std::string>& command);

}  // namespace scrivlet::testing
