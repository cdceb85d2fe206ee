#pragma once

// A window's z-order band on X11, which only the window manager may change:
// asked through EWMH's _NET_WM_STATE_ABOVE.

#include <X11/Xlib.h>

#include "platform/platform_input.h"
#include "platform/x11/x11_errors.h"

namespace scrivlet {

// Puts `window` in or out of the topmost band; throws PlatformError if the
// window is gone or the window manager cannot keep windows on top.
void SetStackingBand(Display* display, Window root, X11ErrorCapture& errors,
                     NativeWindow window, ZOrder order);

}  // namespace scrivlet
