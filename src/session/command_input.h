#pragma once

// The command channel in front of a desktop: commands join the key state
// that the trigger and the plotters poll, so `scrivlet --start` and
// `scrivlet --abort` behave exactly like F7 and F8 (on Wayland, the only
// way to press them besides the shortcuts portal, which feeds the same
// keys). Everything else passes through.

#include <functional>
#include <memory>

#include "platform/forwarding_desktop.h"
#include "session/command_channel.h"
#include "session/command_keys.h"
#include "session/shortcut_portal.h"

namespace scrivlet {

class CommandInput final : public ForwardingDesktop {
 public:
  // In a Wayland session, also binds F7 and F8 through the shortcuts
  // portal where the desktop offers one.
  CommandInput(std::unique_ptr<PlatformInput> desktop,
               std::unique_ptr<CommandServer> server);
  CommandInput(std::unique_ptr<PlatformInput> desktop,
               std::unique_ptr<CommandServer> server,
               std::unique_ptr<ShortcutPortal> shortcuts)
      : ForwardingDesktop(*desktop),
        desktop_(std::move(desktop)),
        server_(std::move(server)),
        shortcuts_(std::move(shortcuts)) {}

  // What a second start of the program asks for: the window brought
  // forward, unless `drawing` says that a drawing runs. `registering` says
  // when the window takes F7 and F8 for its inks.
  void OnRaise(std::function<void()> raise, std::function<bool()> drawing = {},
               std::function<bool()> registering = {}) {
    raise_ = std::move(raise);
    drawing_ = std::move(drawing);
    registering_ = std::move(registering);
  }

  std::uint16_t GetAsyncKeyState(int virtual_key) override;

 private:
  std::unique_ptr<PlatformInput> desktop_;
  std::unique_ptr<CommandServer> server_;
  std::unique_ptr<ShortcutPortal> shortcuts_;
  CommandKeys keys_;
  std::function<void()> raise_;
  std::function<bool()> drawing_;
  std::function<bool()> registering_;
};

}  // namespace scrivlet
