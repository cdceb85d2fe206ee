#pragma once

// What the MOUSEEVENTF_* words of one mouse_event ask a backend to do, in
// the order it does them: a move (onto the pixel that normalised absolute
// coordinates aim at, or by exact pixels), then a press, then a release.

#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

struct MouseFlags {
  bool move = false;
  bool absolute = false;  // the move's (dx, dy) are normalised coordinates
  bool press = false;
  bool release = false;
};

constexpr MouseFlags DecodeMouseFlags(std::uint32_t flags) {
  return {(flags & MOUSEEVENTF_MOVE) != 0, (flags & MOUSEEVENTF_ABSOLUTE) != 0,
          (flags & MOUSEEVENTF_LEFTDOWN) != 0,
          (flags & MOUSEEVENTF_LEFTUP) != 0};
}

}  // namespace scrivlet
