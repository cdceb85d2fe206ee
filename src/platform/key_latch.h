#pragma once

// The state word of one key as GetAsyncKeyState reports it: down now, and
// pressed since the last query. Both backends keep it here: X11 from press
// and release notifications, Win32 from polling the system's own word.

#include <cstdint>

#include "platform/platform_input.h"

namespace scrivlet {

class KeyLatch {
 public:
  // A press while already down is key repeat, not a new press: holding F7
  // must start one drawing, not one per repeat.
  void Press() {
    if (!down_) {
      pressed_since_query_ = true;
      ++presses_;
    }
    down_ = true;
  }
  void Release() { down_ = false; }
  // Seeds the down state without counting it as a press.
  void SetDown(bool down) { down_ = down; }

  // Feeds what a poll of the system found: down now, and whether a key-down
  // came since the previous poll. Windows sets that bit for the keyboard's
  // auto-repeat too, so a key down at both polls counts as held; a release
  // and a new press that both fall between two polls cannot be told from
  // repeat there and count as held too (X11 sees both events).
  void Polled(bool down_now, bool key_down_came) {
    if (key_down_came) {
      Press();
    } else if (down_now) {
      SetDown(true);
    }
    if (!down_now) {
      Release();
    }
  }

  // Presses so far, for a wait that must end at a new one without taking
  // the press from the next query.
  [[nodiscard]] int Presses() const { return presses_; }

  // The state word; clears the pressed-since-last-query bit.
  std::uint16_t Query() {
    const auto word = static_cast<std::uint16_t>(
        (down_ ? kKeyDown : 0U) |
        (pressed_since_query_ ? kKeyPressedSinceLastQuery : 0U));
    pressed_since_query_ = false;
    return word;
  }

 private:
  bool down_ = false;
  bool pressed_since_query_ = false;
  int presses_ = 0;
};

}  // namespace scrivlet
