#include "platform/shm_frame.h"

#include <cstring>

namespace scrivlet {
namespace {

// wl_shm format codes: 0 and 1 are special-cased, the rest are DRM fourccs.
constexpr std::uint32_t kArgb8888 = 0;
constexpr std::uint32_t kXrgb8888 = 1;
constexpr std::uint32_t kAbgr8888 = 0x34324241;  // "AB24"
constexpr std::uint32_t kXbgr8888 = 0x34324258;  // "XB24"

COLORREF ToColorref(std::uint32_t format, std::uint32_t pixel) {
  // Both families are little-endian words: xRGB keeps red in bits 16..23,
  // xBGR keeps it in the lowest byte, as COLORREF does.
  if (format == kAbgr8888 || format == kXbgr8888) {
    return pixel & 0xFFFFFFU;
  }
  return ColourOfXrgb(pixel);
}

}  // namespace

bool IsReadableShmFormat(std::uint32_t format) {
  return format == kArgb8888 || format == kXrgb8888 || format == kAbgr8888 ||
         format == kXbgr8888;
}

ScreenImage ToScreenImage(const ShmFrame& frame, ScreenRect requested,
                          ScreenRect captured) {
  ScreenImage image{requested, {}};
  if (requested.width <= 0 || requested.height <= 0) {
    image.area.width = image.area.height = 0;
    return image;
  }
  image.pixels.resize(static_cast<std::size_t>(requested.width) *
                      static_cast<std::size_t>(requested.height));
  if (captured.width <= 0 || captured.height <= 0 || frame.width <= 0 ||
      frame.height <= 0 || !IsReadableShmFormat(frame.format)) {
    return image;
  }
  for (std::int32_t y = captured.top; y < captured.top + captured.height; ++y) {
    std::int64_t row =
        std::int64_t{y - captured.top} * frame.height / captured.height;
    if (frame.y_inverted) {
      row = frame.height - 1 - row;
    }
    for (std::int32_t x = captured.left; x < captured.left + captured.width;
         ++x) {
      const std::int64_t col =
          std::int64_t{x - captured.left} * frame.width / captured.width;
      const auto offset =
          static_cast<std::size_t>(row * frame.stride + col * 4);
      if (offset + 4 > frame.size) {
        continue;  // a frame shorter than it claims: unreadable, not a crash
      }
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, frame.data + offset, sizeof pixel);
      const auto index = static_cast<std::size_t>(
          std::int64_t{y - requested.top} * requested.width +
          (x - requested.left));
      image.pixels[index] = ToColorref(frame.format, pixel);
    }
  }
  return image;
}

}  // namespace scrivlet
