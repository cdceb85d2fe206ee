// Chooses the Wayland route: the first one in the list that opens. When
// none does, the error names what each route lacked.

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop_backends.h"

namespace scrivlet {
namespace {

struct WaylandRoute {
  const char* name;
  std::unique_ptr<PlatformInput> (*open)();
};

// In order of preference; a new route is one more line.
constexpr std::array kRoutes{
    WaylandRoute{"wlroots", &OpenWlrootsDesktop},
    WaylandRoute{"KDE", &OpenKdeFakeInputDesktop},
    WaylandRoute{"GNOME", &OpenGnomeRemoteDesktop},
};

}  // namespace

std::unique_ptr<PlatformInput> OpenWaylandDesktop() {
  // Routes that failed alike (no compositor to connect to) share one line.
  std::vector<std::pair<std::string, std::string>> failures;
  for (const WaylandRoute& route : kRoutes) {
    try {
      return route.open();
    } catch (const PlatformError& error) {
      const std::string problem = error.what();
      bool merged = false;
      for (auto& [names, text] : failures) {
        if (text == problem) {
          names += std::string(", ") + route.name;
          merged = true;
        }
      }
      if (!merged) {
        failures.emplace_back(route.name, problem);
      }
    }
  }
  std::string message =
      "Scrivlet finds no way to click on this Wayland desktop:";
  for (const auto& [names, text] : failures) {
    message.append("\n  ").append(names).append(": ").append(text);
  }
  throw PlatformError(message);
}

}  // namespace scrivlet
