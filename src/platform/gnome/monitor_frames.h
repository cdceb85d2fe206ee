#pragma once

// The primary monitor in the two frames the GNOME route works in: the
// logical pixels programs see, which are Scrivlet's screen points, and the
// pixels of the monitor's screen cast, the monitor's own turned as it shows
// them, in which mutter takes absolute motion, tells the pointer and sends
// frames. Pure, so every scale and turn is worked by hand in a test.

#include <cstdint>

#include "platform/output_geometry.h"
#include "platform/platform_input.h"

namespace scrivlet {

struct MonitorFrames {
  LogicalSize logical;
  LogicalSize stream;
};

MonitorFrames FramesOf(std::int32_t mode_width, std::int32_t mode_height,
                       double scale, std::uint32_t transform);

// The desktop: the monitor's logical pixels, from its top-left one.
DesktopArea LogicalArea(const MonitorFrames& frames);

// The stream coordinates of logical point `at`, on the pixel's corner.
struct StreamPoint {
  double x = 0;
  double y = 0;
};
StreamPoint ToStream(ScreenPoint at, const MonitorFrames& frames);

// The logical pixel a stream pixel shows part of.
ScreenPoint ToLogical(ScreenPoint stream, const MonitorFrames& frames);

// The stream pixels that show logical `area`.
ScreenRect ToStream(ScreenRect area, const MonitorFrames& frames);

// Logical `area` read out of `stream`, an image of the stream's pixels
// that holds ToStream(area): each logical pixel is the stream pixel at its
// centre.
ScreenImage ToLogical(const ScreenImage& stream, ScreenRect area,
                      const MonitorFrames& frames);

}  // namespace scrivlet
