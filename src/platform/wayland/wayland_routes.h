#pragma once

// The ways Scrivlet can click on a Wayland desktop. Each opener throws
// PlatformError naming what its route lacks on this compositor;
// OpenWaylandDesktop (desktop_backends.h) tries them in order.

#include <memory>

#include "platform/platform_input.h"

namespace scrivlet {

// wlroots compositors: virtual pointer and screencopy.
std::unique_ptr<PlatformInput> OpenWlrootsDesktop();

// KWin: org_kde_kwin_fake_input. The screen is not read back.
std::unique_ptr<PlatformInput> OpenKdeFakeInputDesktop();

}  // namespace scrivlet
