#pragma once

// The Linux backends the desktop is chosen from at start (desktop_linux.cpp).

#include <memory>

#include "platform/platform_input.h"

namespace scrivlet {

// XTest on $DISPLAY. Throws PlatformError naming what is missing.
std::unique_ptr<PlatformInput> OpenX11Desktop();

// The first Wayland route that works on $WAYLAND_DISPLAY (wlroots, then
// KDE; wayland/wayland_routes.cpp). Throws PlatformError naming what each
// route lacks.
std::unique_ptr<PlatformInput> OpenWaylandDesktop();

// GNOME's remote-desktop D-Bus API on the session bus (mutter). Throws
// PlatformError naming the call that failed and the bus's message.
std::unique_ptr<PlatformInput> OpenGnomeRemoteDesktop();

}  // namespace scrivlet
