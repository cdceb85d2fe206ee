#pragma once

// Reading screen colours out of a frame of mutter's screen cast: pure, so
// every pixel format is tested without mutter.

#include <cstddef>
#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

// One frame of the primary monitor as the stream delivered it (SPA video
// formats), covering the monitor from its top-left pixel.
struct CastFrame {
  std::uint32_t format = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The 32-bit formats whose colours can be read: BGRx, BGRA, RGBx, RGBA.
bool IsReadableCastFormat(std::uint32_t format);

// The colours of `area`; pixels off the frame, or in a frame whose format
// cannot be read, are unreadable (nullopt).
ScreenImage CastFrameRegion(const CastFrame& frame, ScreenRect area);

}  // namespace scrivlet
