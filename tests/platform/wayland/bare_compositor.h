#pragma once

// A Wayland compositor that offers nothing but a seat and an output: what
// a desktop without any route for Scrivlet looks like to a client.

#include <memory>
#include <string>
#include <thread>

struct wl_display;

namespace scrivlet::testing {

class BareCompositor {
 public:
  BareCompositor();
  BareCompositor(const BareCompositor&) = delete;
  BareCompositor& operator=(const BareCompositor&) = delete;
  BareCompositor(BareCompositor&&) = delete;
  BareCompositor& operator=(BareCompositor&&) = delete;
  ~BareCompositor();

  // The socket's full path, for WAYLAND_DISPLAY.
  [[nodiscard]] const std::string& Socket() const { return socket_; }

 private:
  std::string dir_;
  std::string socket_;
  wl_display* display_ = nullptr;
  std::thread loop_;
};

}  // namespace scrivlet::testing
