#pragma once

// Opening the real desktop's bare backend. SCRIVLET_PLATFORM picks the
// platform: windows (win32/desktop_win32.cpp) or linux, which links the X11,
// Wayland (wlroots, KDE) and GNOME backends and picks one at start
// (desktop_linux.cpp).

#include <memory>

#include "platform/platform_input.h"

namespace scrivlet {

// The backend's bare primitives: events go out as soon as they are asked for.
// Throws PlatformError naming what is missing (no display, no XTest, ...).
std::unique_ptr<PlatformInput> OpenNativeDesktop();

}  // namespace scrivlet
