#include "platform/gnome/cast_frame.h"

#include <spa/param/video/raw.h>

#include "platform/shm_frame.h"

namespace scrivlet {
namespace {

// The same byte orders under their wl_shm names, whose reading is shared
// with the wlroots route: SPA names bytes in memory order, wl_shm names
// little-endian words from the top.
constexpr std::uint32_t kArgb8888 = 0;
constexpr std::uint32_t kXrgb8888 = 1;
constexpr std::uint32_t kAbgr8888 = 0x34324241;
constexpr std::uint32_t kXbgr8888 = 0x34324258;

std::uint32_t ShmFormat(std::uint32_t format) {
  switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
      return kXrgb8888;
    case SPA_VIDEO_FORMAT_BGRA:
      return kArgb8888;
    case SPA_VIDEO_FORMAT_RGBx:
      return kXbgr8888;
    case SPA_VIDEO_FORMAT_RGBA:
      return kAbgr8888;
    default:
      return 0xFFFFFFFFU;  // no wl_shm format: unreadable
  }
}

}  // namespace

bool IsReadableCastFormat(std::uint32_t format) {
  return IsReadableShmFormat(ShmFormat(format));
}

ScreenImage CastFrameRegion(const CastFrame& frame, ScreenRect area) {
  const ScreenRect captured =
      ClipToDesktop(area, {0, 0, frame.width, frame.height});
  ShmFrame part{ShmFormat(frame.format),
                captured.width,
                captured.height,
                frame.stride,
                false,
                nullptr,
                0};
  const auto offset =
      static_cast<std::size_t>(std::int64_t{captured.top} * frame.stride +
                               std::int64_t{captured.left} * 4);
  if (frame.data != nullptr && captured.width > 0 && offset < frame.size) {
    part.data = frame.data + offset;
    part.size = frame.size - offset;
  } else {
    part.width = part.height = 0;  // nothing of it is on the frame
  }
  return ToScreenImage(part, area, captured);
}

}  // namespace scrivlet
