#include "platform/wayland/wayland_connection.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/platform_input.h"

namespace scrivlet {
namespace {

// How long the compositor may leave the socket full before it is taken
// for hung.
constexpr int kSendTimeoutMs = 2000;

std::string SocketName() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name != nullptr ? name : "";
}

}  // namespace

WaylandConnection::WaylandConnection()
    : display_(wl_display_connect(nullptr)), name_(SocketName()) {
  if (!display_) {
    throw PlatformError("Cannot connect to the Wayland compositor \"" + name_ +
                        "\": " + std::strerror(errno) + ".");
  }
}

void WaylandConnection::ThrowLost() const {
  const int error = wl_display_get_error(display_.get());
  throw PlatformError(
      "The Wayland compositor \"" + name_ + "\" closed the connection (" +
      std::strerror(error != 0 ? error : EPIPE) + "); it may have quit.");
}

void WaylandConnection::Flush() {
  // libwayland aborts the program when a request no longer fits its
  // buffer, so the buffer is emptied after every few requests, waiting for
  // the socket to take them rather than dropping any.
  while (wl_display_flush(display_.get()) < 0) {
    if (errno != EAGAIN) {
      ThrowLost();
    }
    pollfd ready{wl_display_get_fd(display_.get()), POLLOUT, 0};
    const int polled = poll(&ready, 1, kSendTimeoutMs);
    if (polled == 0) {
      throw PlatformError("The Wayland compositor \"" + name_ +
                          "\" stopped taking events for " +
                          std::to_string(kSendTimeoutMs) + " ms.");
    }
    if (polled < 0 && errno != EINTR) {
      ThrowLost();
    }
  }
}

void WaylandConnection::DispatchArrived() {
  DispatchUntil([] { return false; }, 0, "");
}

void WaylandConnection::DispatchUntil(const std::function<bool()>& done,
                                      int timeout_ms, const std::string& what) {
  wl_display* display = display_.get();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    Flush();
    while (wl_display_prepare_read(display) != 0) {
      if (wl_display_dispatch_pending(display) < 0) {
        ThrowLost();
      }
      if (done()) {
        return;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{wl_display_get_fd(display), POLLIN, 0};
    const int polled =
        poll(&ready, 1, static_cast<int>(std::max<long>(0, left.count())));
    if (polled <= 0) {
      wl_display_cancel_read(display);
      if (polled < 0 && errno != EINTR) {
        ThrowLost();
      }
      if (timeout_ms == 0) {
        return;  // only what had arrived was wanted
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        throw PlatformError("The Wayland compositor \"" + name_ +
                            "\" did not " + what + " within " +
                            std::to_string(timeout_ms) + " ms.");
      }
      continue;
    }
    if (wl_display_read_events(display) < 0 ||
        wl_display_dispatch_pending(display) < 0) {
      ThrowLost();
    }
    if (timeout_ms == 0) {
      return;
    }
  }
}

void WaylandConnection::Roundtrip(const std::string& what) {
  bool done = false;
  wl_callback* callback = wl_display_sync(display_.get());
  static const wl_callback_listener kListener{
      [](void* data, wl_callback* /*callback*/, std::uint32_t /*serial*/) {
        *static_cast<bool*>(data) = true;
      }};
  wl_callback_add_listener(callback, &kListener, &done);
  try {
    DispatchUntil([&] { return done; }, kSendTimeoutMs, what);
  } catch (...) {
    wl_callback_destroy(callback);
    throw;
  }
  wl_callback_destroy(callback);
}

}  // namespace scrivlet
