#pragma once

// What a command from the command channel does: `scrivlet --start` acts as
// a press of F7 and `scrivlet --abort` as a press of F8, through the same
// key-state latch the trigger and the plotters poll. Pure: no sockets.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/key_latch.h"
#include "platform/platform_input.h"

namespace scrivlet {

enum class Command : std::uint8_t {
  Start,  // as F7
  Abort,  // as F8
  Raise,  // a second start of the program: bring the window forward
};

// The answers the running program sends back, one word each.
enum class Answer : std::uint8_t {
  Started,     // F7 pressed: the drawing starts at the pointer
  Busy,        // a drawing runs: a start is ignored, as F7 would be, and
               // the window is not brought forward
  Aborted,     // F8 pressed: the drawing stops at the column
  Idle,        // nothing to abort; ignored, so the next drawing is not hit
  Raised,      // the window was brought forward
  BadMessage,  // not a command; nothing changed
};

// A message is one line: the command's word and a newline.
std::optional<Command> ParseCommand(std::string_view message);
std::string CommandMessage(Command command);
std::string AnswerMessage(Answer answer);
std::optional<Answer> ParseAnswer(std::string_view message);

class CommandKeys {
 public:
  // Applies a command. `drawing` tells whether a drawing runs now.
  Answer Apply(Command command, bool drawing);

  // The commanded part of a key's state word. A commanded press reads as a
  // fresh press (down and pressed) once, then as released: a key tap.
  std::uint16_t Query(int virtual_key);

 private:
  KeyLatch f7_;
  KeyLatch f8_;
};

}  // namespace scrivlet
