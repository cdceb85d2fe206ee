#pragma once

// A stage on the test GNOME session (scripts/gnomesession.sh, whose
// variables scripts/in-session.sh sets): the click recorder as a Wayland
// client of its mutter, shared by the tests on mutter and the delivery
// benchmark's GNOME row.

#include <cstdint>
#include <string>

#include "child_process.h"
#include "engine_coordinate.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

// The Qt click recorder (tests/platform/gnome/click_recorder.cpp), as a
// shell command.
std::string QtClickRecorder();

// A click recorder: a white full-screen window that prints its pid, then
// each press and release, and paints a black pixel at each press.
class ClickRecorder {
 public:
  explicit ClickRecorder(const std::string& command = QtClickRecorder());
  ClickRecorder(const ClickRecorder&) = delete;
  ClickRecorder& operator=(const ClickRecorder&) = delete;
  ClickRecorder(ClickRecorder&&) = delete;
  ClickRecorder& operator=(ClickRecorder&&) = delete;
  ~ClickRecorder() = default;

  // The next line it prints; empty after `timeout_ms` without one.
  std::string ReadLine(int timeout_ms = 5000);

 private:
  ChildProcess process_;
};

// The recorder's window goes full-screen a moment after it has painted:
// clicks until one lands on the same pixel in the window as on the screen,
// and drops what the clicks before it left. False if it never does.
bool WaitUntilFullScreen(PlatformInput& desktop, ClickRecorder& recorder);

// Draws a small picture in the line style with the absolute plotter from
// `corner`, through `desktop` (the pacer) into the full-screen recorder.
// Empty if every line shows whole, nothing beside them, and every press had
// its release; else what went wrong.
std::string StrokeFaults(PlatformInput& desktop, ClickRecorder& recorder,
                         ScreenPoint corner);

}  // namespace scrivlet::testing
