#pragma once

// The desktop a draw command hands to the F7 trigger: the command itself is
// the F7 press, and F8 reads as pressed from the moment an abort arrives
// from outside (`scrivlet --abort`, Ctrl+C) until the end, so no later
// look can miss it. With a start point, the pointer is put there before the
// drawing's first event, as the user would before pressing F7.

#include <functional>
#include <optional>

#include "platform/forwarding_desktop.h"

namespace scrivlet {

class DrawCommandDesktop final : public ForwardingDesktop {
 public:
  // `abort_asked` is asked at every look at F8; it may be empty.
  DrawCommandDesktop(PlatformInput& desktop, std::optional<ScreenPoint> start,
                     std::function<bool()> abort_asked)
      : ForwardingDesktop(desktop),
        start_(start),
        abort_asked_(std::move(abort_asked)) {}

  std::uint16_t GetAsyncKeyState(int virtual_key) override;
  // Throws PlatformError when the start point is off the desktop or the
  // pointer does not get there.
  void DrawingStarted() override;

 private:
  void MovePointerToStart();

  std::optional<ScreenPoint> start_;
  std::function<bool()> abort_asked_;
  bool aborted_ = false;
};

}  // namespace scrivlet
