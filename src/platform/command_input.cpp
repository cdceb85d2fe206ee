#include "platform/command_input.h"

namespace scrivlet {

std::uint16_t CommandInput::GetAsyncKeyState(int virtual_key) {
  const std::uint16_t word = desktop_->GetAsyncKeyState(virtual_key);
  if (server_) {
    // Only a running drawing polls F8 (the plotters, between dots); the
    // idle window polls F7. So the key asked for tells whether a drawing
    // runs, without a second source of truth.
    const bool drawing = virtual_key == VK_F8;
    server_->Serve([&](Command command) {
      const Answer answer = keys_.Apply(command, drawing);
      if (answer == Answer::Raised && raise_) {
        raise_();
      }
      return answer;
    });
  }
  return word | keys_.Query(virtual_key);
}

}  // namespace scrivlet
