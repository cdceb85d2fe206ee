// The Wayland routes against the in-process test compositor: KWin's fake
// input is chosen where wlroots' protocols are missing and gets the right
// requests; and where no route works, the error names what each lacked.

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "absolute_aim.h"
#include "bare_compositor.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"

namespace scrivlet::testing {
namespace {

void Use(const std::string& socket) {
  setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
  // Nothing may fall back to X11 unseen.
  unsetenv("DISPLAY");
}

TEST(WaylandRoutesTest, KdeRouteAuthenticatesAndReadsNothingBack) {
  BareCompositor kwin(4);
  Use(kwin.Socket());
  // Without KWin's screenshots on the bus the screen stays unread.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/scrivlet-bus", 1);
  const auto desktop = OpenWaylandDesktop();
  desktop->Flush();
  EXPECT_EQ(kwin.Take(),
            std::vector{FakeInputRequest{FakeInputCall::Authenticate}});
  EXPECT_EQ(kwin.Authentication().first, "Scrivlet");
  EXPECT_EQ(desktop->DesktopBounds(),
            (DesktopArea{0, 0, kBareOutputWidth, kBareOutputHeight}));
  // Unread pixels keep the delivery pacer at its safe pace.
  const ScreenImage image = desktop->CaptureScreenRegion({3, 4, 2, 2});
  EXPECT_EQ(image.pixels.size(), 4U);
  for (const auto& pixel : image.pixels) {
    EXPECT_FALSE(pixel.has_value());
  }
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

TEST(WaylandRoutesTest, KdeMovesAndClicksArriveAsFakeInput) {
  BareCompositor kwin(4);
  Use(kwin.Socket());
  // Without KWin's screenshots on the bus the screen stays unread.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/scrivlet-bus", 1);
  const auto desktop = OpenWaylandDesktop();
  desktop->Flush();
  kwin.Take();
  constexpr std::uint32_t kAbsoluteMove =
      MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  constexpr double kLeft = BTN_LEFT;
  struct Step {
    const char* name;
    std::uint32_t flags;
    std::int32_t dx;
    std::int32_t dy;
    std::vector<FakeInputRequest> expected;
  };
  const std::array steps{
      Step{"absolute, a quarter pixel into the pixel",
           kAbsoluteMove,
           Aim(101, kBareOutputWidth),
           Aim(53, kBareOutputHeight),
           {{FakeInputCall::MotionAbsolute, 101.25, 53.25}}},
      Step{"absolute to the far corner",
           kAbsoluteMove,
           kAbsoluteSpan,
           kAbsoluteSpan,
           {{FakeInputCall::MotionAbsolute, kBareOutputWidth - 0.75,
             kBareOutputHeight - 0.75}}},
      Step{"relative",
           MOUSEEVENTF_MOVE,
           7,
           -3,
           {{FakeInputCall::Motion, 7, -3}}},
      Step{"press",
           MOUSEEVENTF_LEFTDOWN,
           0,
           0,
           {{FakeInputCall::Button, kLeft, 1}}},
      Step{"release",
           MOUSEEVENTF_LEFTUP,
           0,
           0,
           {{FakeInputCall::Button, kLeft, 0}}},
      Step{"a move and a press in one call: the move first",
           kAbsoluteMove | MOUSEEVENTF_LEFTDOWN,
           0,
           0,
           {{FakeInputCall::MotionAbsolute, 0.25, 0.25},
            {FakeInputCall::Button, kLeft, 1}}},
      Step{"a relative move and a release",
           MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP,
           -2,
           5,
           {{FakeInputCall::Motion, -2, 5}, {FakeInputCall::Button, kLeft, 0}}},
  };
  for (const Step& step : steps) {
    desktop->mouse_event(step.flags, step.dx, step.dy);
    desktop->Flush();
    EXPECT_EQ(kwin.Take(), step.expected) << step.name;
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
  const std::array cases{
      Case{"neither route",
           0,
           true,
           &OpenWaylandDesktop,
           {"wlroots: ", "zwlr_virtual_pointer_manager_v1",
            "zwlr_screencopy_manager_v1", "KDE: ", "org_kde_kwin_fake_input",
            "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input"}},
      Case{"fake input without absolute motion",
           2,
           true,
           &OpenWaylandDesktop,
           {"zwlr_virtual_pointer_manager_v1", "version 2", "version 3"}},
      Case{"no X11 to fall back on",
           0,
           true,
           &OpenNativeDesktop,
           {"org_kde_kwin_fake_input", "DISPLAY is not set"}},
      Case{"no compositor: said once for all routes",
           0,
           false,
           &OpenWaylandDesktop,
           {"wlroots, KDE: Cannot connect"}},
  };
  for (const Case& c : cases) {
    const BareCompositor compositor(c.fake_input_version);
    Use(c.compositor ? compositor.Socket() : compositor.Socket() + "-gone");
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
