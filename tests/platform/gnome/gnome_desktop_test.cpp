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
  desktop->Flush();  // sent without waiting for the answer
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
    std::string named;
  };
  const std::array cases{
      Case{{"--portal"},
           "org.gnome.Mutter.DisplayConfig.GetCurrentState failed"},
      Case{{"--refuse", "RemoteDesktop.Session.Start"},
           "org.gnome.Mutter.RemoteDesktop.Session.Start failed: the fake "
           "refuses RemoteDesktop.Session.Start"},
  };
  for (const Case& c : cases) {
    FakeDesktopServices fake(c.fake_options);  // gone before the next case
    try {
      OpenGnomeRemoteDesktop();
      ADD_FAILURE() << "opened: " << c.named;
    } catch (const PlatformError& error) {
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos)
          << error.what();
    }
    const bool created = Has(fake.Calls(), "RemoteDesktop.CreateSession");
    EXPECT_EQ(Has(fake.Calls(), "RemoteDesktop.Session.Stop"), created)
        << c.named;
  }
}

// Events go without waiting for mutter's answers: they must still reach it
// in order, and a refused one must surface, naming itself, and let the
// button go, also where the events sent after it left the button down; a
// button held when the desktop ends is let go before the session stops.
TEST(GnomeDesktopTest, PipelinedEventsKeepOrderAndNoButtonIsLeftDown) {
  const std::string move = "RemoteDesktop.Session.NotifyPointerMotionRelative";
  const std::string button = "RemoteDesktop.Session.NotifyPointerButton 272 ";
  for (const bool refuse : {false, true}) {
    FakeDesktopServices fake(refuse ? std::vector<std::string>{"--refuse", move}
                                    : std::vector<std::string>{});
    std::vector<std::string> sent;  // a refused call is kept without values
    try {
      const auto desktop = OpenGnomeRemoteDesktop();
      for (int i = 1; i <= (refuse ? 1 : 40); ++i) {
        // Appended, not added to a literal: g++ 12 at -O3 warns falsely
        // of an overlapping copy in `" " + std::to_string(i)`.
        std::string by(" ");
        by.append(std::to_string(i)).append(" -").append(std::to_string(i));
        sent.insert(sent.end(),
                    {button + "1", move + (refuse ? "" : by), button + "0"});
        desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
        desktop->mouse_event(MOUSEEVENTF_MOVE, i, -i);
        if (!refuse) {  // else the backend's own release
          desktop->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
        }
      }
      desktop->Flush();
      EXPECT_FALSE(refuse) << "the refused move was not reported";
      desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
      sent.insert(sent.end(), {button + "1", button + "0"});
    } catch (const PlatformError& error) {
      EXPECT_TRUE(refuse) << error.what();
      EXPECT_NE(std::string(error.what()).find(move + " failed"),
                std::string::npos)
          << error.what();
    }
    std::vector<std::string> events;
    for (const std::string& call : fake.Calls()) {
      if (call.rfind("RemoteDesktop.Session.NotifyPointer", 0) == 0) {
        events.push_back(call);
      }
    }
    EXPECT_EQ(events, sent);
    EXPECT_EQ(fake.Calls().back(), "RemoteDesktop.Session.Stop");
  }
}

}  // namespace
}  // namespace scrivlet
