#pragma once

// A Wayland client connection of the backend's own, apart from the window
// toolkit's, with sending and waiting that never block for ever: a
// compositor that stops reading or dies ends in a PlatformError, not in a
// hang or in libwayland's abort.

#include <wayland-client.h>

#include <functional>
#include <memory>
#include <string>

namespace scrivlet {

class WaylandConnection {
 public:
  // Connects to $WAYLAND_DISPLAY; throws PlatformError when it cannot.
  WaylandConnection();

  [[nodiscard]] wl_display* Display() const { return display_.get(); }
  [[nodiscard]] const std::string& Name() const { return name_; }

  // Sends every queued request, waiting for room in the socket.
  void Flush();
  // Handles the events that have arrived, without waiting for more.
  void DispatchArrived();
  // Handles events until `done` holds; throws PlatformError naming `what`
  // after `timeout_ms` without it.
  void DispatchUntil(const std::function<bool()>& done, int timeout_ms,
                     const std::string& what);
  // Sends and waits until the compositor has handled every request so far.
  void Roundtrip(const std::string& what);

 private:
  [[noreturn]] void ThrowLost() const;

  struct Disconnect {
    void operator()(wl_display* display) const {
      wl_display_disconnect(display);
    }
  };
  std::unique_ptr<wl_display, Disconnect> display_;
  std::string name_;
};

}  // namespace scrivlet
