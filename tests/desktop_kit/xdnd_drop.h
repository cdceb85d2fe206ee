#pragma once

// The file manager's side of a drag and drop (the XDND protocol, version 5):
// offers a list of URIs as text/uri-list to a window and drops it there.

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// What became of a drop.
enum class DropOutcome : std::uint8_t {
  Accepted,     // the target took the data and said it is finished
  Refused,      // the target did not want the data at that point
  NotFinished,  // the target took the drop but never said it was done
};

// Drags `uris` over `target` (a top-level window that announces XdndAware)
// to the root-window point `at` and drops them there, answering the target's
// request for the data. Throws std::runtime_error if the target does not
// take part in XDND at all.
DropOutcome DropUris(Display* display, Window target, ScreenPoint at,
                     const std::vector<std::string>& uris);

// "file:///..." for a local path.
std::string FileUri(const std::string& path);

}  // namespace scrivlet::testing
