// The Wayland routes against the in-process test compositor: KWin's fake
// input without KWin's screenshots, and where no route works, the error
// naming what each lacked.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bare_compositor.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"

namespace scrivlet::testing {
namespace {

// Moves and clicks on the KDE route are checked on a real KWin; what it
// cannot show is a KWin without its screenshots on the bus.
TEST(WaylandRoutesTest, KdeRouteWithoutScreenshotsReadsNothingBack) {
  const BareCompositor kwin(4);
  setenv("WAYLAND_DISPLAY", kwin.Socket().c_str(), 1);
  unsetenv("DISPLAY");  // nothing may fall back to X11 unseen
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/scrivlet-bus", 1);
  const auto desktop = OpenWaylandDesktop();
  // Unread pixels keep the delivery pacer at its safe pace.
  const ScreenImage image = desktop->CaptureScreenRegion({3, 4, 2, 2});
  EXPECT_EQ(image.pixels,
            std::vector<std::optional<COLORREF>>(4, std::nullopt));
  EXPECT_FALSE(desktop->ReadScreenPixel({3, 4}).has_value());
  // The test compositor offers no layer shell to find the pointer with.
  try {
    desktop->GetCursorPos();
    ADD_FAILURE() << "found the pointer without a layer shell";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.what()).find("zwlr_layer_shell_v1"),
              std::string::npos)
        << error.what();
  }
}

TEST(WaylandRoutesTest, NoRouteNamesWhatEachLacked) {
  struct Case {
    const char* name;
    std::uint32_t fake_input_version;  // 0: none offered
    bool compositor;
    std::unique_ptr<PlatformInput> (*open)();
    std::vector<std::string> named;
  };
  // clang-format off
  const std::array cases{
      Case{"neither route", 0, true, &OpenWaylandDesktop,
           {"wlroots: ", "zwlr_virtual_pointer_manager_v1", "zwlr_screencopy_manager_v1", "KDE: ",
            "org_kde_kwin_fake_input", "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input"}},
      Case{"fake input without absolute motion", 2, true, &OpenWaylandDesktop,
           {"zwlr_virtual_pointer_manager_v1", "version 2", "version 3"}},
      Case{"no X11 to fall back on", 0, true, &OpenNativeDesktop,
           {"org_kde_kwin_fake_input", "DISPLAY is not set"}},
      Case{"no compositor: said once for all routes", 0, false, &OpenWaylandDesktop,
           {"wlroots, KDE: Cannot connect"}},
  };
  // clang-format on
  unsetenv("DISPLAY");
  for (const Case& c : cases) {
    const BareCompositor compositor(c.fake_input_version);
    const std::string socket =
        compositor.Socket() + (c.compositor ? "" : "-gone");
    setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
    try {
      c.open();
      ADD_FAILURE() << c.name << ": opened a desktop without a route";
    } catch (const PlatformError& error) {
      for (const std::string& word : c.named) {
        EXPECT_NE(std::string(error.what()).find(word), std::string::npos)
            << c.name << ": " << error.what();
      }
    }
  }
}

}  // namespace
}  // namespace scrivlet::testing
