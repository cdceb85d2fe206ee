#pragma once

// A stage on a test Wayland desktop (sway, KWin, or mutter through
// scripts/in-session.sh): the Qt click recorder (click_recorder.cpp) as a
// client of its compositor, and what every Wayland route must do to it.
// Shared by the tests of each route and the delivery benchmark's GNOME row.

#include <ostream>
#include <string>
#include <vector>

#include "absolute_aim.h"
#include "child_process.h"
#include "pattern_at.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

struct Click {
  bool press = true;
  ScreenPoint at;  // in the window, the fraction cut off
  // In the pixel's upper-left half: a program that cuts the fraction off
  // and one that rounds it (Qt) both find this pixel. On its corner cairo
  // paints the pixel up and left of it.
  bool inside = true;
  friend bool operator==(const Click&, const Click&) = default;
  friend void PrintTo(const Click& click, std::ostream* out) {
    *out << (click.press ? "press " : "release ") << click.at.x << ","
         << click.at.y << (click.inside ? "" : " not inside");
  }
};

// A full-screen window, white or showing PatternAt, that prints "ready"
// once shown, then each press and release, and paints a black
// pixel at each press and a line along each move with the button held.
class ClickRecorder {
 public:
  explicit ClickRecorder(bool pattern = false);
  // Also waits until the window covers `desktop`'s screen
  // (WaitUntilFullScreen); throws std::runtime_error if it never does.
  explicit ClickRecorder(PlatformInput& desktop, bool pattern = false);
  ClickRecorder(const ClickRecorder&) = delete;
  ClickRecorder& operator=(const ClickRecorder&) = delete;
  ClickRecorder(ClickRecorder&&) = delete;
  ClickRecorder& operator=(ClickRecorder&&) = delete;
  ~ClickRecorder() = default;

  // The next line it prints; empty after `timeout_ms` without one.
  std::string ReadLine(int timeout_ms = 5000);
  // The next `count` presses and releases; fewer after `timeout_ms`
  // without one (a compositor just started, on a busy machine, may take
  // long).
  std::vector<Click> Clicks(std::size_t count, int timeout_ms = 20000);

 private:
  ChildProcess process_;
};

// The recorder's window goes full-screen a moment after it has painted:
// clicks near the desktop's far corner until one lands on the same pixel in
// the window, and drops what the clicks before it left. False if it never
// does.
bool WaitUntilFullScreen(PlatformInput& desktop, ClickRecorder& recorder);

// Whether the pointer shows at `at` within 5 s: the screen shows it a
// frame after it moved.
bool PointerShowsAt(PlatformInput& desktop, ScreenPoint at);

// `around` read back once its pixel `inked` shows black, or after 5 s: the
// recorder paints a moment after the press.
ScreenImage ReadOnceInked(PlatformInput& desktop, ScreenRect around,
                          ScreenPoint inked);

// What every Wayland route must do, on a pattern recorder over the
// desktop's output: absolute and relative moves, stopped at the edges;
// clicks in the same call as a move, so after it, at the far corners and
// where the pointer stands, and a drag; the pattern and the inked pixel
// read back at full colour, nothing past the edge. With `whole_pixels` the
// compositor hands programs whole-pixel positions (KWin, mutter), so where
// inside the pixel is not checked.
void CheckRoute(PlatformInput& desktop, bool whole_pixels);

// Draws a small picture in the line style with the absolute plotter from
// `corner`, through `desktop` (the pacer) into a white recorder. Empty if
// every line shows whole, nothing beside them, and every press had its
// release; else what went wrong.
std::string StrokeFaults(PlatformInput& desktop, ClickRecorder& recorder,
                         ScreenPoint corner);

}  // namespace scrivlet::testing
