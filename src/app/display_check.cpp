#include "app/display_check.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#ifndef _WIN32
#include <X11/Xlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif

namespace scrivlet {
namespace {

std::string_view Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view{} : std::string_view{value};
}

#ifndef _WIN32

bool XServerAnswers() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

// A Wayland compositor listens on a socket named by WAYLAND_DISPLAY, an
// absolute path or a name in XDG_RUNTIME_DIR.
bool WaylandCompositorAnswers(std::string_view name) {
  std::string path(name);
  if (!name.starts_with('/')) {
    const std::string_view runtime = Environment("XDG_RUNTIME_DIR");
    if (runtime.empty()) return false;
    path = std::string(runtime) + "/" + path;
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (socket < 0) return false;
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): sockets API.
  const bool connected =
      ::connect(socket, reinterpret_cast<sockaddr*>(&address),
                sizeof address) == 0;
  ::close(socket);
  return connected;
}

#endif

}  // namespace

std::string MissingDisplay() {
#ifdef _WIN32
  return {};
#else
  // Qt tries each platform of a list ("wayland;xcb") until one starts.
  std::string_view platforms = Environment("QT_QPA_PLATFORM");
  bool wants_x = false;
  bool wants_wayland = false;
  while (!platforms.empty()) {
    const std::size_t end = std::min(platforms.find(';'), platforms.size());
    const std::string_view platform = platforms.substr(0, end);
    platforms.remove_prefix(std::min(end + 1, platforms.size()));
    if (platform.starts_with("xcb")) {
      wants_x = true;
    } else if (platform.starts_with("wayland")) {
      wants_wayland = true;
    } else if (!platform.empty()) {
      return {};  // offscreen and the like
    }
  }
  if (!wants_x && !wants_wayland) wants_x = wants_wayland = true;

  const std::string_view x_display = Environment("DISPLAY");
  const std::string_view wayland_display = Environment("WAYLAND_DISPLAY");
  if (wants_x && !x_display.empty() && XServerAnswers()) return {};
  if (wants_wayland && !wayland_display.empty() &&
      WaylandCompositorAnswers(wayland_display)) {
    return {};
  }
  if (x_display.empty() && wayland_display.empty()) {
    return "neither DISPLAY nor WAYLAND_DISPLAY is set";
  }
  std::string problem = "no display answers at";
  if (!x_display.empty()) problem += " DISPLAY=" + std::string(x_display);
  if (!wayland_display.empty()) {
    problem += " WAYLAND_DISPLAY=" + std::string(wayland_display);
  }
  return problem;
#endif
}

}  // namespace scrivlet
