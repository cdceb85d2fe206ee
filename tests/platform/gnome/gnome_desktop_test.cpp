// GNOME's remote-desktop route against a recording fake of mutter's D-Bus
// services on a private session bus: chosen where the compositor offers no
// other route, events arrive as the right calls at the right pixels, a
// refused call gives a message naming it, and the session ends with no
// button down.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bare_compositor.h"
#include "fake_desktop_services.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"
#include "private_bus.h"

namespace scrivlet {
namespace {

using testing::FakeDesktopServices;
using testing::FakeServices;
using testing::kFakeStream;

bool Has(const std::vector<std::string>& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

class GnomeDesktopTest : public ::testing::Test {
 protected:
  const testing::PrivateBus bus_;
};

TEST_F(GnomeDesktopTest, ChosenWhereTheCompositorOffersNoOtherRoute) {
  const testing::BareCompositor bare;
  setenv("WAYLAND_DISPLAY", bare.Socket().c_str(), 1);
  FakeDesktopServices fake(testing::Mutter());
  const auto desktop = OpenNativeDesktop();
  unsetenv("WAYLAND_DISPLAY");

  // The primary monitor's current mode, not the other monitor's nor the
  // preferred mode, is what absolute coordinates span.
  EXPECT_EQ(desktop->DesktopBounds(), (DesktopArea{0, 0, 1280, 800}));
  const auto calls = fake.Calls();
  EXPECT_TRUE(Has(calls, "ScreenCast.CreateSession rd-1"));
  EXPECT_TRUE(Has(calls, "ScreenCast.Session.RecordMonitor Virtual-1"));
  EXPECT_EQ(calls.back(), "RemoteDesktop.Session.Start");
}

TEST_F(GnomeDesktopTest, EventsArriveAsMutterCallsAtTheRightPixels) {
  FakeDesktopServices fake(testing::Mutter());
  const auto desktop = OpenGnomeRemoteDesktop();
  const std::string absolute =
      std::string("RemoteDesktop.Session.NotifyPointerMotionAbsolute ") +
      kFakeStream;
  struct Case {
    std::uint32_t flags;
    std::int32_t dx;
    std::int32_t dy;
    std::vector<std::string> calls;
  };
  const std::array cases{
      Case{MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 0, 0, {absolute + " 0 0"}},
      Case{MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
           kAbsoluteSpan,
           kAbsoluteSpan,
           {absolute + " 1279 799"}},
      Case{MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
           32768,
           16384,
           {absolute + " 640 200"}},
      Case{MOUSEEVENTF_MOVE,
           -3,
           5,
           {"RemoteDesktop.Session.NotifyPointerMotionRelative -3 5"}},
      Case{MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN |
               MOUSEEVENTF_LEFTUP,
           0,
           kAbsoluteSpan,
           {absolute + " 0 799",
            "RemoteDesktop.Session.NotifyPointerButton 272 1",
            "RemoteDesktop.Session.NotifyPointerButton 272 0"}},
  };
  for (const Case& c : cases) {
    const std::size_t before = fake.Calls().size();
    desktop->mouse_event(c.flags, c.dx, c.dy);
    const auto calls = fake.Calls();
    EXPECT_EQ(
        std::vector<std::string>(
            calls.begin() + static_cast<std::ptrdiff_t>(before), calls.end()),
        c.calls)
        << c.flags << " " << c.dx << " " << c.dy;
  }
  // No PipeWire here: finding the pointer fails and says why; clicks work.
  try {
    desktop->GetCursorPos();
    ADD_FAILURE() << "found a pointer without PipeWire";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.what()).find("PipeWire"), std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(desktop->ReadScreenPixel({1, 1}).has_value());
}

TEST_F(GnomeDesktopTest, ARefusedCallIsNamedAndTheSessionStops) {
  struct Case {
    FakeServices services;
    bool opens;  // the refusal comes with the first click, not at opening
    std::string named;
  };
  const std::array cases{
      Case{testing::Portal(), false,
           "org.gnome.Mutter.DisplayConfig.GetCurrentState failed"},
      Case{testing::Mutter("RemoteDesktop.Session.Start"), false,
           "org.gnome.Mutter.RemoteDesktop.Session.Start failed: the fake "
           "refuses RemoteDesktop.Session.Start"},
      Case{testing::Mutter("RemoteDesktop.Session.NotifyPointerButton"), true,
           "NotifyPointerButton failed: the fake refuses"},
  };
  for (const Case& c : cases) {
    std::optional<FakeDesktopServices> fake;
    fake.emplace(c.services);
    try {
      const auto desktop = OpenGnomeRemoteDesktop();
      EXPECT_TRUE(c.opens) << c.named;
      desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
      ADD_FAILURE() << "the refused click went through: " << c.named;
    } catch (const PlatformError& error) {
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos)
          << error.what();
    }
    const bool created = Has(fake->Calls(), "RemoteDesktop.CreateSession");
    EXPECT_EQ(Has(fake->Calls(), "RemoteDesktop.Session.Stop"), created)
        << c.named;
    fake.reset();  // frees the bus names for the next case
  }
}

TEST_F(GnomeDesktopTest, EndingReleasesAHeldButtonThenStopsTheSession) {
  for (const bool held : {false, true}) {
    FakeDesktopServices fake(testing::Mutter());
    {
      const auto desktop = OpenGnomeRemoteDesktop();
      if (held) {
        desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
      }
    }
    std::vector<std::string> want{"RemoteDesktop.Session.Stop"};
    if (held) {
      want.insert(want.begin(),
                  "RemoteDesktop.Session.NotifyPointerButton 272 0");
    }
    const auto calls = fake.Calls();
    ASSERT_GE(calls.size(), want.size());
    EXPECT_EQ(std::vector<std::string>(
                  calls.end() - static_cast<std::ptrdiff_t>(want.size()),
                  calls.end()),
              want)
        << (held ? "held" : "released");
  }
}

}  // namespace
}  // namespace scrivlet
