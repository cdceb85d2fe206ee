#pragma once

// Opening the real desktop. Which backend is linked is chosen in CMake
// (SCRIVLET_BACKEND): desktop_x11.cpp or desktop_win32.cpp.

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
