#include "session/command_input.h"

#include <cstdlib>

namespace scrivlet {
namespace {

// Only a Wayland session lacks the global key state that the portal's
// shortcuts stand in for; elsewhere they would take F7 from the backend.
std::unique_ptr<ShortcutPortal> ShortcutsForSession() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (wayland == nullptr || *wayland == '\0') {
    return nullptr;
  }
  return ShortcutPortal::OpenIfOffered();
}

}  // namespace

CommandInput::CommandInput(std::unique_ptr<PlatformInput> desktop,
                           std::unique_ptr<CommandServer> server)
    : CommandInput(std::move(desktop), std::move(server),
                   ShortcutsForSession()) {}

std::uint16_t CommandInput::GetAsyncKeyState(int virtual_key) {
  const std::uint16_t word = desktop_->GetAsyncKeyState(virtual_key);
  // Only a running drawing polls F8 (the plotters, between dots); the idle
  // window polls F7, and both while registering inks, where F8 ends the
  // state. The window, where it says so, knows for certain.
  const bool registering = registering_ && registering_();
  const bool drawing =
      (virtual_key == VK_F8 && !registering) || (drawing_ && drawing_());
  const auto apply = [&](Command command) {
    return keys_.Apply(
        command, command == Command::Abort ? drawing || registering : drawing);
  };
  if (server_) {
    server_->Serve([&](Command command) {
      const Answer answer = apply(command);
      if (answer == Answer::Raised && raise_) {
        raise_();
      }
      return answer;
    });
  }
  if (shortcuts_) {
    shortcuts_->Poll([&](Command command) { apply(command); });
  }
  return word | keys_.Query(virtual_key);
}

}  // namespace scrivlet
