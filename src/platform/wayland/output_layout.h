#pragma once

// The geometry of a Wayland desktop's outputs that is not a monitor's own
// size (platform/output_geometry.h): the layout around every output, and
// turning a copy of an output's pixels, which the compositor hands over as
// the output stores them, to the way the output shows them. Pure, so every
// transform is worked by hand in a test.

#include <cstdint>
#include <vector>

#include "platform/platform_input.h"
#include "platform/shm_frame.h"

namespace scrivlet {

// The smallest area that holds every one of `areas`; empty for none.
DesktopArea Enclosing(const std::vector<DesktopArea>& areas);

// Where pixel `at` of a width x height image goes once the image is
// transformed, as wlroots transforms boxes.
ScreenPoint TransformPixel(ScreenPoint at, std::uint32_t transform,
                           std::int32_t width, std::int32_t height);

// `frame`, copied from an output whose transform is `transform`, turned
// upright into `pixels` (and no longer upside down). A frame of an
// untransformed output, or one that cannot be read, is returned as it is.
ShmFrame UprightFrame(const ShmFrame& frame, std::uint32_t transform,
                      std::vector<std::uint8_t>& pixels);

// The part of an upright frame of a whole output (`width` x `height`
// logical pixels, the frame at the output's scale) that shows `part`, in
// the output's logical pixels. Shares the frame's pixels.
ShmFrame CropFrame(const ShmFrame& frame, ScreenRect part, std::int32_t width,
                   std::int32_t height);

}  // namespace scrivlet
