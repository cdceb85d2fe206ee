#pragma once

// Reading the X screen back in bulk, to compare a paint program's canvas
// with the dots it should show, as the product's own screen types.

#include <X11/Xlib.h>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// Reads `rect` of the root window (24-bit TrueColor screens).
ScreenImage CaptureScreen(Display* display, ScreenRect rect);

// The largest rectangle of one colour around `seed` that a cross through the
// seed spans, checked to be uniform all over: a paint program's blank canvas
// as far as it is visible.
ScreenRect UniformAreaAround(const ScreenImage& image, ScreenPoint seed);

}  // namespace scrivlet::testing
