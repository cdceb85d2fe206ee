#pragma once

// The real scrivlet executable on the test desktop, driven as a user drives
// it: xdotool finds and moves its window, moves the pointer, clicks, types
// and presses keys; the window is watched through its caption. The process is
// stopped by its id.

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "window_places.h"

namespace scrivlet::testing {

class ScrivletProgram {
 public:
  // Starts `executable` and waits for its window, then moves the window so
  // that its inner area starts at `inner_origin`.
  ScrivletProgram(const std::string& executable, ScreenPoint inner_origin);
  ScrivletProgram(const ScrivletProgram&) = delete;
  ScrivletProgram& operator=(const ScrivletProgram&) = delete;
  ScrivletProgram(ScrivletProgram&&) = delete;
  ScrivletProgram& operator=(ScrivletProgram&&) = delete;
  ~ScrivletProgram();

  [[nodiscard]] Display* display() const { return display_; }
  [[nodiscard]] Window window() const { return window_; }

  // The centre of a control (window_places.h).
  [[nodiscard]] ScreenPoint CentreOf(const std::vector<TwipRect>& path) const {
    return ControlCentre(InnerOrigin(), path);
  }
  // The centre of the tab control's tab `index`.
  [[nodiscard]] ScreenPoint TabCentre(int index) const;

  void Click(ScreenPoint at) const;
  // Clicks into a text box, selects its text and types over it.
  void TypeInto(ScreenPoint box, const std::string& text) const;
  // Puts the pointer at `at` and presses F7 there, then watches the caption
  // until the drawing is over: false if it is not within `timeout`.
  bool DrawAt(ScreenPoint at, std::chrono::milliseconds timeout);
  // After DrawAt's press: waits until the caption shows at least `percent`.
  [[nodiscard]] bool WaitForProgress(int percent,
                                     std::chrono::milliseconds timeout) const;
  // Taps F8 (down and straight up again), then watches the caption until the
  // drawing is over: false if it is not within `timeout`.
  bool TapF8UntilStopped(std::chrono::milliseconds timeout);

  // Sends `signal` to the process and waits up to `timeout` for its end:
  // the exit status, or nullopt if it still runs.
  std::optional<int> EndWith(int signal, std::chrono::milliseconds timeout);

 private:
  void Stop();
  void WaitForWindow();
  void MoveInnerAreaTo(ScreenPoint target);
  [[nodiscard]] ScreenPoint InnerOrigin() const;
  [[nodiscard]] std::string Caption() const;
  bool WaitForCaptionReturn(std::chrono::milliseconds timeout);
  int CaptionChanges();

  Display* display_ = nullptr;
  std::optional<ChildProcess> process_;
  Window window_ = 0;
  Atom caption_atom_ = None;
  int caption_changes_ = 0;
};

}  // namespace scrivlet::testing
