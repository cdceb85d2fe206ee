#include "platform/wayland/output_layout.h"

#include <algorithm>
#include <cstring>

#include "platform/output_geometry.h"

namespace scrivlet {

DesktopArea Enclosing(const std::vector<DesktopArea>& areas) {
  if (areas.empty()) {
    return {};
  }
  std::int64_t left = areas.front().left;
  std::int64_t top = areas.front().top;
  std::int64_t right = left;
  std::int64_t bottom = top;
  for (const DesktopArea& area : areas) {
    left = std::min<std::int64_t>(left, area.left);
    top = std::min<std::int64_t>(top, area.top);
    right = std::max(right, std::int64_t{area.left} + area.width);
    bottom = std::max(bottom, std::int64_t{area.top} + area.height);
  }
  return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
          static_cast<std::int32_t>(right - left),
          static_cast<std::int32_t>(bottom - top)};
}

ScreenPoint TransformPixel(ScreenPoint at, std::uint32_t transform,
                           std::int32_t width, std::int32_t height) {
  const std::int32_t x = at.x;
  const std::int32_t y = at.y;
  switch (transform & 7U) {
    case 1:  // 90
      return {height - 1 - y, x};
    case 2:  // 180
      return {width - 1 - x, height - 1 - y};
    case 3:  // 270
      return {y, width - 1 - x};
    case 4:  // flipped
      return {width - 1 - x, y};
    case 5:  // flipped, 90
      return {y, x};
    case 6:  // flipped, 180
      return {x, height - 1 - y};
    case 7:  // flipped, 270
      return {height - 1 - y, width - 1 - x};
    default:
      return at;
  }
}

ShmFrame UprightFrame(const ShmFrame& frame, std::uint32_t transform,
                      std::vector<std::uint8_t>& pixels) {
  constexpr std::int32_t kBytes = 4;
  const bool readable =
      IsReadableShmFormat(frame.format) && frame.width > 0 &&
      frame.height > 0 && frame.stride >= frame.width * kBytes &&
      frame.size >= static_cast<std::size_t>(frame.stride) *
                        static_cast<std::size_t>(frame.height);
  if ((transform & 7U) == 0 || !readable) {
    return frame;
  }
  ShmFrame upright = frame;
  upright.y_inverted = false;
  upright.width = SwapsSides(transform) ? frame.height : frame.width;
  upright.height = SwapsSides(transform) ? frame.width : frame.height;
  upright.stride = upright.width * kBytes;
  pixels.assign(static_cast<std::size_t>(upright.stride) *
                    static_cast<std::size_t>(upright.height),
                0);
  for (std::int32_t row = 0; row < frame.height; ++row) {
    // The row as the output stores it, whichever way up the copy came.
    const std::int32_t stored = frame.y_inverted ? frame.height - 1 - row : row;
    for (std::int32_t col = 0; col < frame.width; ++col) {
      const ScreenPoint to =
          TransformPixel({col, stored}, transform, frame.width, frame.height);
      std::memcpy(pixels.data() +
                      static_cast<std::ptrdiff_t>(to.y) * upright.stride +
                      static_cast<std::ptrdiff_t>(to.x) * kBytes,
                  frame.data + static_cast<std::ptrdiff_t>(row) * frame.stride +
                      static_cast<std::ptrdiff_t>(col) * kBytes,
                  kBytes);
    }
  }
  upright.data = pixels.data();
  upright.size = pixels.size();
  return upright;
}

ShmFrame CropFrame(const ShmFrame& frame, ScreenRect part, std::int32_t width,
                   std::int32_t height) {
  constexpr std::int64_t kBytes = 4;
  if (width <= 0 || height <= 0 || part.width <= 0 || part.height <= 0) {
    return {};
  }
  const auto to_frame = [](std::int64_t logical, std::int64_t extent,
                           std::int64_t frame_extent) {
    return std::clamp<std::int64_t>(logical * frame_extent / extent, 0,
                                    frame_extent);
  };
  const std::int64_t left = to_frame(part.left, width, frame.width);
  const std::int64_t right =
      to_frame(part.left + part.width, width, frame.width);
  const std::int64_t top = to_frame(part.top, height, frame.height);
  const std::int64_t bottom =
      to_frame(part.top + part.height, height, frame.height);
  const auto offset =
      static_cast<std::size_t>(top * frame.stride + left * kBytes);
  if (right <= left || bottom <= top || offset >= frame.size) {
    return {};
  }
  ShmFrame cropped = frame;
  cropped.width = static_cast<std::int32_t>(right - left);
  cropped.height = static_cast<std::int32_t>(bottom - top);
  cropped.data = frame.data + offset;
  cropped.size = frame.size - offset;
  return cropped;
}

}  // namespace scrivlet
