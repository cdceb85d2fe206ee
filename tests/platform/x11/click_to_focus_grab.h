#pragma once

// What a window manager that raises a window on a click does (openbox, by
// default): a synchronous passive grab on the left button over a window.
// Each press freezes the pointer until the grab's owner has seen it and
// replays it to the window, a moment later.

#include <chrono>
#include <memory>
#include <stop_token>
#include <thread>

// Xlib's types without Xlib.h, whose None macro would otherwise break the
// engine headers included after this one.
using Display = struct _XDisplay;  // NOLINT(bugprone-reserved-identifier)
using Window = unsigned long;      // XID

namespace scrivlet::testing {

class ClickToFocusGrab {
 public:
  ClickToFocusGrab(Window window, std::chrono::microseconds reaction);
  ClickToFocusGrab(const ClickToFocusGrab&) = delete;
  ClickToFocusGrab& operator=(const ClickToFocusGrab&) = delete;
  ClickToFocusGrab(ClickToFocusGrab&&) = delete;
  ClickToFocusGrab& operator=(ClickToFocusGrab&&) = delete;
  ~ClickToFocusGrab() = default;  // the replayer stops before the display

 private:
  void ReplayPresses(const std::stop_token& stop);

  // Used only by the replaying thread once it runs.
  std::unique_ptr<Display, int (*)(Display*)> display_;
  std::chrono::microseconds reaction_;
  std::jthread replayer_;
};

}  // namespace scrivlet::testing
