#pragma once

// A Wayland client for the tests: a full-output layer-shell surface painted
// with a known pattern, which records the pointer events it receives and
// paints each pressed pixel black, as a paint program does. Its own thread
// keeps dispatching, as a real program would.

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

enum class SurfaceEvent : std::uint8_t { Press, Release };

struct SurfaceRecord {
  SurfaceEvent kind = SurfaceEvent::Press;
  ScreenPoint at;
  // Inside the pixel, as a real pointer over the pixel would be, not on its
  // corner.
  bool inside = true;
  friend bool operator==(const SurfaceRecord&, const SurfaceRecord&) = default;
};

// The colour the surface shows at a pixel, as COLORREF.
COLORREF PatternAt(ScreenPoint at);

// Clicks where the pointer stands at `here`, then presses in the same call
// as a move to (31, 47), so after it, and releases 5 pixels to the right.
// Returns the buttons a surface under them should see.
std::vector<SurfaceRecord> ClickThenDrag(PlatformInput& desktop,
                                         ScreenPoint here);

class RecordingSurface {
 public:
  // Connects, maps the surface and waits until it is on the screen.
  RecordingSurface();
  RecordingSurface(const RecordingSurface&) = delete;
  RecordingSurface& operator=(const RecordingSurface&) = delete;
  RecordingSurface(RecordingSurface&&) = delete;
  RecordingSurface& operator=(RecordingSurface&&) = delete;
  ~RecordingSurface();

  // The presses and releases seen so far, once there are `count` of them
  // or 20 s passed; clears the record.
  std::vector<SurfaceRecord> Buttons(std::size_t count);

  struct State;

 private:
  std::unique_ptr<State> state_;
  std::thread dispatcher_;
};

}  // namespace scrivlet::testing
