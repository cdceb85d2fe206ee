#pragma once

// The file manager's side of a drag and drop (the XDND protocol, version 5):
// offers a list of URIs as text/uri-list to a window and drops it there.

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// Drags `uris` over `target` (a top-level window that announces XdndAware)
// to the root-window point `at` and drops them there, answering the target's
// request for the data: whether the target took them and said it is done.
// Throws std::runtime_error if the target does not take part in XDND at all.
bool DropUris(Display* display, Window target, ScreenPoint at,
              const std::vector<std::string>& uris);

}  // namespace scrivlet::testing
