#pragma once

// A Wayland compositor that offers nothing but a seat and a 1280 x 1024
// output: what a desktop without any route for Scrivlet looks like to a
// client. Asked to, it also offers KDE's fake input at a given version,
// whose requests it takes and ignores.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

struct wl_display;

namespace scrivlet::testing {

class BareCompositor {
 public:
  // fake_input_version 0 offers no fake input.
  explicit BareCompositor(std::uint32_t fake_input_version = 0);
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
  std::atomic<bool> stop_ = false;
  std::thread loop_;
};

}  // namespace scrivlet::testing
