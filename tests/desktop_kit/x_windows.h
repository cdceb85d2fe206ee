#pragma once

// Other clients' windows on the X display: found with xdotool, their
// properties and positions read with Xlib.

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// The 32-bit items (windows, atoms, cardinals) of a property of `type`;
// empty if the window has no such property.
std::vector<long> LongsProperty(Display* display, Window window, Atom property,
                                Atom type, long max_items = 4096);
// The bytes of an 8-bit property of any type, such as a UTF-8 caption.
std::string TextProperty(Display* display, Window window, Atom property);

// The visible windows `xdotool search` finds with these options and pattern
// (such as {"--name", "^mtPaint"}); empty if none.
std::vector<Window> FindWindows(const std::vector<std::string>& search);
// Where the window's top-left corner is on the screen.
ScreenPoint RootPosition(Display* display, Window window);
// Whether the pointer's left button is down.
bool LeftButtonDown(Display* display);

}  // namespace scrivlet::testing
