#pragma once

// Mutter's screen cast of the primary monitor, as one PipeWire stream: its
// cursor metadata, the only place mutter tells where the pointer is, and
// its frames, the only way to read the screen back on GNOME's Wayland.
// PipeWire's own thread receives the frames; both are read from any thread.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/platform_input.h"

namespace scrivlet {

class CastStream {
 public:
  using Clock = std::chrono::steady_clock;

  // Connects to the stream's PipeWire node; throws PlatformError when
  // PipeWire cannot be reached.
  explicit CastStream(std::uint32_t node);
  CastStream(const CastStream&) = delete;
  CastStream& operator=(const CastStream&) = delete;
  CastStream(CastStream&&) = delete;
  CastStream& operator=(CastStream&&) = delete;
  ~CastStream();

  // The pointer's latest position in the stream's pixels, and how many
  // updates came so far; nullopt until mutter has shown it on the stream.
  struct Seen {
    ScreenPoint at;
    std::uint64_t updates = 0;
  };
  [[nodiscard]] std::optional<Seen> Cursor() const;

  // `area` of the latest frame, once a frame that came after `after` is
  // there or `wait` has passed. `fresh` tells which; the image is unread
  // where no frame has come at all.
  struct Capture {
    ScreenImage image;
    bool fresh = false;
    bool any_frame = false;
    std::int32_t width = 0;  // the frame's size
    std::int32_t height = 0;
  };
  [[nodiscard]] Capture Read(ScreenRect area, Clock::time_point after,
                             Clock::duration wait) const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace scrivlet
