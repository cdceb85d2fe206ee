// F7 and F8 through the GlobalShortcuts portal, against a recording fake of
// the portal on a private session bus (ctest runs each
// case under dbus-run-session): both keys are bound with their
// preferred triggers, an activation sets the same key latch a command
// does, and a portal that lacks the interface or refuses leaves the
// channel alone with a reason.

#include "session/shortcut_portal.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "fake_desktop.h"
#include "fake_desktop_services.h"
#include "poll_for.h"
#include "session/command_input.h"

namespace scrivlet {
namespace {

using testing::FakeDesktopServices;

// Polls until `done` holds, for at most 2 s: the fake answers from its
// own thread.
template <typename Done>
bool PollUntil(ShortcutPortal& portal, Done done) {
  return testing::PollFor(
      [&] {
        portal.Poll([](Command) {});
        return done();
      },
      std::chrono::seconds(2), std::chrono::milliseconds(10));
}

TEST(ShortcutPortalTest, AnActivationPressesTheKeyLikeACommand) {
  struct Case {
    const char* shortcut;
    int polled;  // the key the trigger (F7) or a plotter (F8) polls
  };
  const std::array cases{Case{"start", VK_F7}, Case{"abort", VK_F8}};
  FakeDesktopServices fake({"--portal"});
  auto portal = ShortcutPortal::OpenIfOffered();
  ASSERT_NE(portal, nullptr);
  ASSERT_TRUE(PollUntil(*portal, [&] { return portal->Bound(); }))
      << portal->Problem();
  EXPECT_EQ(fake.Calls().back(),
            "GlobalShortcuts.BindShortcuts start=F7 abort=F8");

  CommandInput input(std::make_unique<testing::FakeDesktop>(), nullptr,
                     std::move(portal));
  for (const Case& c : cases) {
    fake.Activate(c.shortcut);
    std::uint16_t word = 0;
    testing::PollFor(
        [&] { return (word = input.GetAsyncKeyState(c.polled)) != 0; },
        std::chrono::seconds(2), std::chrono::milliseconds(10));
    EXPECT_EQ(word, kFreshKeyPress) << c.shortcut;
    // A tap, as from the command channel: the release needs no signal.
    EXPECT_EQ(input.GetAsyncKeyState(c.polled), 0) << c.shortcut;
  }
}

TEST(ShortcutPortalTest, NoPortalOrARefusalLeavesTheKeysUnbound) {
  EXPECT_EQ(ShortcutPortal::OpenIfOffered(), nullptr) << "no portal";
  {
    FakeDesktopServices older({"--portal", "--no-shortcuts"});
    EXPECT_EQ(ShortcutPortal::OpenIfOffered(), nullptr) << "no shortcuts";
  }
  FakeDesktopServices refusing({"--portal", "--bind-response", "1"});
  auto portal = ShortcutPortal::OpenIfOffered();
  ASSERT_NE(portal, nullptr);
  ASSERT_TRUE(PollUntil(*portal, [&] { return !portal->Problem().empty(); }));
  EXPECT_NE(portal->Problem().find("refused by the user"), std::string::npos)
      << portal->Problem();
  EXPECT_FALSE(portal->Bound());
}

}  // namespace
}  // namespace scrivlet
