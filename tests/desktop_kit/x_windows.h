#pragma once

// Looking other clients' windows up on the X display: the window manager's
// list, titles, properties, positions.

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

// The window manager's client windows (_NET_CLIENT_LIST).
std::vector<Window> ClientWindows(Display* display);
// The window's WM_NAME, or its _NET_WM_NAME; empty if it has neither.
std::string WindowTitle(Display* display, Window window);
// Where the window's top-left corner is on the screen.
ScreenPoint RootPosition(Display* display, Window window);

}  // namespace scrivlet::testing
