#pragma once

// Opening the real desktop. CMake's SCRIVLET_BACKEND picks the platform:
// win32 (desktop_win32.cpp) or x11, which links both Linux backends and
// picks X11 or Wayland at start (desktop_linux.cpp).

#include <memory>

#include "platform/platform_input.h"

namespace scrivlet {

// The backend's bare primitives: events go out as soon as they are asked for.
// Throws PlatformError naming what is missing (no display, no XTest, ...).
std::unique_ptr<PlatformInput> OpenNativeDesktop();

// The native desktop behind the delivery pacer: what the program uses, so
// that every dot lands at the target's own speed.
std::unique_ptr<PlatformInput> OpenDesktop();

}  // namespace scrivlet
