#pragma once

// A Wayland client for the tests: a full-output layer-shell surface painted
// with a known pattern, which records the pointer events it receives. Its
// own thread keeps dispatching, as a real program would.

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

enum class SurfaceEvent : std::uint8_t { Motion, Press, Release };

struct SurfaceRecord {
  SurfaceEvent kind = SurfaceEvent::Motion;
  ScreenPoint at;
  // On the pixel's centre, as a real pointer over the pixel would be, not
  // on its corner.
  bool centred = true;
  friend bool operator==(const SurfaceRecord&, const SurfaceRecord&) = default;
};

// The colour the surface shows at a pixel, as COLORREF.
COLORREF PatternAt(ScreenPoint at);

class RecordingSurface {
 public:
  // Connects, maps the surface and waits until it is on the screen. With
  // `ink_presses` every press paints its pixel black.
  explicit RecordingSurface(bool ink_presses = false);
  RecordingSurface(const RecordingSurface&) = delete;
  RecordingSurface& operator=(const RecordingSurface&) = delete;
  RecordingSurface(RecordingSurface&&) = delete;
  RecordingSurface& operator=(RecordingSurface&&) = delete;
  ~RecordingSurface();

  // The events seen so far; clears them.
  std::vector<SurfaceRecord> Take();
  // Waits up to 2 s until `count` events have been recorded.
  bool WaitFor(std::size_t count);

  struct State;

 private:
  std::unique_ptr<State> state_;
  std::thread dispatcher_;
};

}  // namespace scrivlet::testing
