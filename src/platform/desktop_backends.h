#pragma once

// The Linux backends the desktop is chosen from at start (desktop_linux.cpp
// picks Wayland or X11; wayland_routes.cpp picks the Wayland route).

#include <memory>

#include "platform/platform_input.h"

namespace scrivlet {

// XTest on $DISPLAY. Throws PlatformError naming what is missing.
std::unique_ptr<PlatformInput> OpenX11Desktop();

// The first Wayland route that works on $WAYLAND_DISPLAY: wlroots, then
// KDE, then GNOME. Throws PlatformError naming what each route lacks.
std::unique_ptr<PlatformInput> OpenWaylandDesktop();

// wlroots compositors: virtual pointer and screencopy.
std::unique_ptr<PlatformInput> OpenWlrootsDesktop();

// KWin: org_kde_kwin_fake_input, the screen read back through KWin's
// screenshot D-Bus interface.
std::unique_ptr<PlatformInput> OpenKdeFakeInputDesktop();

// GNOME's remote-desktop D-Bus API on the session bus (mutter). Throws
// PlatformError naming the call that failed and the bus's message.
std::unique_ptr<PlatformInput> OpenGnomeRemoteDesktop();

}  // namespace scrivlet
