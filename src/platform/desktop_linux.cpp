// Linux desktops: Wayland when the session is one and its compositor offers
// a route, X11 otherwise. Through Xwayland, X11 reaches only X programs, so
// falling back to it is said out loud.

#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/desktop.h"
#include "platform/desktop_backends.h"

namespace scrivlet {

std::unique_ptr<PlatformInput> OpenNativeDesktop() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  std::string wayland_problem;
  if (wayland != nullptr && *wayland != '\0') {
    // Tried in turn; the first that opens wins, and when none does the
    // user reads what each one lacked.
    for (const auto open : {&OpenWaylandDesktop, &OpenGnomeRemoteDesktop}) {
      try {
        return open();
      } catch (const PlatformError& error) {
        wayland_problem += (wayland_problem.empty() ? "" : "\n");
        wayland_problem += error.what();
      }
    }
  }
  try {
    auto x11 = OpenX11Desktop();
    if (!wayland_problem.empty()) {
      std::cerr << "Scrivlet: " << wayland_problem
                << "\nScrivlet: drawing through X11 (Xwayland) instead: only "
                   "X11 programs receive the dots.\n";
    }
    return x11;
  } catch (const PlatformError& error) {
    if (wayland_problem.empty()) {
      throw;
    }
    throw PlatformError(wayland_problem + "\n" + error.what());
  }
}

}  // namespace scrivlet
