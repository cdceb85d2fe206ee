#pragma once

// The state word of one key as GetAsyncKeyState reports it, kept from press
// and release notifications: down now, and pressed since the last query.

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
    }
    down_ = true;
  }
  void Release() { down_ = false; }
  // Seeds the down state without counting it as a press.
  void SetDown(bool down) { down_ = down; }

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
};

}  // namespace scrivlet
