// GNOME's remote-desktop route against a recording fake of mutter's D-Bus
// services on a private session bus (ctest runs each
// case under dbus-run-session): chosen where the compositor offers no
// other route, on the primary monitor; a refused call gives a message
// naming it, and the session ends with no button down.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "bare_compositor.h"
#include "fake_desktop_services.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"

namespace scrivlet {
namespace {

using testing::FakeDesktopServices;

bool Has(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

TEST(GnomeDesktopTest, ChosenWhereTheCompositorOffersNoOtherRoute) {
  const testing::BareCompositor bare;
  setenv("WAYLAND_DISPLAY", bare.Socket().c_str(), 1);
  FakeDesktopServices fake;
  const auto desktop = OpenNativeDesktop();
  unsetenv("WAYLAND_DISPLAY");

  // The primary monitor's current mode, not the other monitor's nor the
  // preferred mode, turned and scaled as its logical monitor is, is what
  // absolute coordinates span; mutter takes them in the stream's pixels.
  EXPECT_EQ(desktop->DesktopBounds(), (DesktopArea{0, 0, 400, 640}));
  EXPECT_TRUE(Has(fake.Calls(), "ScreenCast.Session.RecordMonitor Virtual-1"));
  desktop->mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, kAbsoluteSpan,
                       kAbsoluteSpan);
  EXPECT_TRUE(
      Has(fake.Calls(),
          "RemoteDesktop.Session.NotifyPointerMotionAbsolute 798 1278"));
  // No PipeWire here: finding the pointer fails and says why, and the
  // screen stays unread.
  try {
    desktop->GetCursorPos();
    ADD_FAILURE() << "found a pointer without PipeWire";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.what()).find("PipeWire"), std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(desktop->ReadScreenPixel({1, 1}).has_value());
}

TEST(GnomeDesktopTest, ARefusedCallIsNamedAndTheSessionStops) {
  struct Case {
    std::vector<std::string> fake_options;
    bool opens;  // the refusal comes with the first click, not at opening
    std::string named;
  };
  const std::array cases{
      Case{{"--portal"},
           false,
           "org.gnome.Mutter.DisplayConfig.GetCurrentState failed"},
      Case{{"--refuse", "RemoteDesktop.Session.Start"},
           false,
           "org.gnome.Mutter.RemoteDesktop.Session.Start failed: the fake "
           "refuses RemoteDesktop.Session.Start"},
      Case{{"--refuse", "RemoteDesktop.Session.NotifyPointerButton"},
           true,
           "NotifyPointerButton failed: the fake refuses"},
  };
  for (const Case& c : cases) {
    FakeDesktopServices fake(c.fake_options);  // gone before the next case
    try {
      const auto desktop = OpenGnomeRemoteDesktop();
      EXPECT_TRUE(c.opens) << c.named;
      desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
      ADD_FAILURE() << "the refused click went through: " << c.named;
    } catch (const PlatformError& error) {
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos)
          << error.what();
    }
    const bool created = Has(fake.Calls(), "RemoteDesktop.CreateSession");
    EXPECT_EQ(Has(fake.Calls(), "RemoteDesktop.Session.Stop"), created)
        << c.named;
  }
}

TEST(GnomeDesktopTest, EndingReleasesAHeldButtonThenStopsTheSession) {
  for (const bool held : {false, true}) {
    FakeDesktopServices fake;
    {
      const auto desktop = OpenGnomeRemoteDesktop();
      if (held) {
        desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
      }
    }
    auto calls = fake.Calls();
    ASSERT_GE(calls.size(), 2U);
    ASSERT_EQ(calls.back(), "RemoteDesktop.Session.Stop");
    calls.pop_back();
    EXPECT_EQ(calls.back() == "RemoteDesktop.Session.NotifyPointerButton 272 0",
              held)
        << calls.back();
  }
}

}  // namespace
}  // namespace scrivlet
