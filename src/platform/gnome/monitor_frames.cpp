#include "platform/gnome/monitor_frames.h"

#include <cmath>

namespace scrivlet {
namespace {

// Stream pixels per logical pixel along one side.
double Ratio(std::int32_t stream, std::int32_t logical) {
  return logical > 0 ? static_cast<double>(stream) / logical : 1.0;
}

std::int32_t Floor(double value) {
  return static_cast<std::int32_t>(std::floor(value));
}

std::int32_t Ceil(double value) {
  return static_cast<std::int32_t>(std::ceil(value));
}

}  // namespace

MonitorFrames FramesOf(std::int32_t mode_width, std::int32_t mode_height,
                       double scale, std::uint32_t transform) {
  return {ToLogicalSize(mode_width, mode_height, scale, transform),
          ToLogicalSize(mode_width, mode_height, 1.0, transform)};
}

DesktopArea LogicalArea(const MonitorFrames& frames) {
  return {0, 0, frames.logical.width, frames.logical.height};
}

StreamPoint ToStream(ScreenPoint at, const MonitorFrames& frames) {
  return {at.x * Ratio(frames.stream.width, frames.logical.width),
          at.y * Ratio(frames.stream.height, frames.logical.height)};
}

ScreenPoint ToLogical(ScreenPoint stream, const MonitorFrames& frames) {
  return {Floor(stream.x / Ratio(frames.stream.width, frames.logical.width)),
          Floor(stream.y / Ratio(frames.stream.height, frames.logical.height))};
}

ScreenRect ToStream(ScreenRect area, const MonitorFrames& frames) {
  const double across = Ratio(frames.stream.width, frames.logical.width);
  const double down = Ratio(frames.stream.height, frames.logical.height);
  const std::int32_t left = Floor(area.left * across);
  const std::int32_t top = Floor(area.top * down);
  return {left, top, Ceil((area.left + area.width) * across) - left,
          Ceil((area.top + area.height) * down) - top};
}

ScreenImage ToLogical(const ScreenImage& stream, ScreenRect area,
                      const MonitorFrames& frames) {
  ScreenImage image = UnreadScreenImage(area);
  const double across = Ratio(frames.stream.width, frames.logical.width);
  const double down = Ratio(frames.stream.height, frames.logical.height);
  constexpr double kCentre = 0.5;
  for (std::int32_t row = 0; row < image.area.height; ++row) {
    for (std::int32_t col = 0; col < image.area.width; ++col) {
      const ScreenPoint centre{Floor((area.left + col + kCentre) * across),
                               Floor((area.top + row + kCentre) * down)};
      image.pixels[static_cast<std::size_t>(row) *
                       static_cast<std::size_t>(image.area.width) +
                   static_cast<std::size_t>(col)] = stream.At(centre);
    }
  }
  return image;
}

}  // namespace scrivlet
