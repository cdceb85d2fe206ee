#pragma once

// Turning a frame the compositor copied into shared memory into screen
// colours: pure, so every pixel format and orientation is tested without a
// compositor.

#include <cstddef>
#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

// A copied frame as the compositor described it (wl_shm formats).
struct ShmFrame {
  std::uint32_t format = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  bool y_inverted = false;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The 32-bit formats whose colours can be read: ARGB, XRGB, ABGR, XBGR.
bool IsReadableShmFormat(std::uint32_t format);

// The colours of `requested`, of which `captured` (inside it) was copied
// into `frame`; the frame may hold more pixels than `captured` has when the
// output is scaled. Pixels outside `captured` are unreadable (nullopt).
ScreenImage ToScreenImage(const ShmFrame& frame, ScreenRect requested,
                          ScreenRect captured);

}  // namespace scrivlet
