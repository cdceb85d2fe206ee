#pragma once

// Where mutter shows the pointer: the cursor metadata of a screen cast's
// PipeWire stream, the only place mutter tells it. PipeWire's own thread
// receives the frames; the position is read from any thread.

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/platform_input.h"

namespace scrivlet {

class CastCursor {
 public:
  // Connects to the stream's PipeWire node; throws PlatformError when
  // PipeWire cannot be reached.
  explicit CastCursor(std::uint32_t node);
  CastCursor(const CastCursor&) = delete;
  CastCursor& operator=(const CastCursor&) = delete;
  CastCursor(CastCursor&&) = delete;
  CastCursor& operator=(CastCursor&&) = delete;
  ~CastCursor();

  // The pointer's latest position in the stream's pixels, and how many
  // updates came so far; nullopt until mutter has shown it on the stream.
  struct Seen {
    ScreenPoint at;
    std::uint64_t updates = 0;
  };
  [[nodiscard]] std::optional<Seen> Latest() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace scrivlet
