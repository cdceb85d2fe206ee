#pragma once

// F7 and F8 through the desktop's GlobalShortcuts portal (KDE, GNOME 48 and
// later, Hyprland), where it is offered: the running program binds them,
// and each activation acts as the command channel's --start or --abort, so
// a press behaves exactly like the key. Polled where the channel is.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dbus/session_bus.h"
#include "session/command_keys.h"

namespace scrivlet {

class ShortcutPortal {
 public:
  // Binds F7 and F8 when the session bus has a portal that offers
  // GlobalShortcuts; nullptr when not (Debian 12's portal has none).
  static std::unique_ptr<ShortcutPortal> OpenIfOffered();

  ShortcutPortal(const ShortcutPortal&) = delete;
  ShortcutPortal& operator=(const ShortcutPortal&) = delete;
  ShortcutPortal(ShortcutPortal&&) = delete;
  ShortcutPortal& operator=(ShortcutPortal&&) = delete;
  ~ShortcutPortal();

  // Handles what has arrived, without waiting: `pressed` gets Start for
  // each activation of F7's shortcut and Abort for F8's.
  void Poll(const std::function<void(Command)>& pressed);

  // Both shortcuts are bound.
  [[nodiscard]] bool Bound() const { return state_ == State::Bound; }
  // Why the portal gave up; empty while it works.
  [[nodiscard]] const std::string& Problem() const { return problem_; }

 private:
  enum class State : std::uint8_t { CreatingSession, Binding, Bound, Failed };

  // What a signal brought, kept until sd-bus' C dispatch has returned.
  struct Event {
    std::string path;    // the request a Response answers
    std::string member;  // Response, Activated or Deactivated
    std::uint32_t code = 0;
    std::string value;  // the session handle, or the shortcut's id
  };

  ShortcutPortal() = default;
  void Start();
  void Handle(const Event& event, const std::function<void(Command)>& pressed);
  void Fail(const std::string& problem);
  static int OnSignal(sd_bus_message* message, void* data, sd_bus_error* error);

  SessionBus bus_;
  BusSlot match_;  // after bus_, so that it is released before it
  State state_ = State::CreatingSession;
  std::string request_;
  std::string session_;
  std::string problem_;
  std::vector<Event> events_;
};

}  // namespace scrivlet
