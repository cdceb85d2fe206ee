#include "session/command_keys.h"

#include <array>
#include <utility>

namespace scrivlet {
namespace {

constexpr std::array<std::pair<Command, std::string_view>, 3> kCommands{{
    {Command::Start, "start"},
    {Command::Abort, "abort"},
    {Command::Raise, "raise"},
}};

constexpr std::array<std::pair<Answer, std::string_view>, 6> kAnswers{{
    {Answer::Started, "started"},
    {Answer::Busy, "busy"},
    {Answer::Aborted, "aborted"},
    {Answer::Idle, "idle"},
    {Answer::Raised, "raised"},
    {Answer::BadMessage, "bad-message"},
}};

template <typename Table>
auto Lookup(const Table& table, std::string_view message)
    -> std::optional<typename Table::value_type::first_type> {
  if (message.empty() || message.back() != '\n') {
    return std::nullopt;
  }
  message.remove_suffix(1);
  for (const auto& [value, word] : table) {
    if (word == message) {
      return value;
    }
  }
  return std::nullopt;
}

template <typename Table, typename Value>
std::string WordOf(const Table& table, Value value) {
  for (const auto& [known, word] : table) {
    if (known == value) {
      return std::string(word) + "\n";
    }
  }
  return "\n";
}

}  // namespace

std::optional<Command> ParseCommand(std::string_view message) {
  return Lookup(kCommands, message);
}

std::string CommandMessage(Command command) {
  return WordOf(kCommands, command);
}

std::string AnswerMessage(Answer answer) { return WordOf(kAnswers, answer); }

std::optional<Answer> ParseAnswer(std::string_view message) {
  return Lookup(kAnswers, message);
}

Answer CommandKeys::Apply(Command command, bool drawing) {
  switch (command) {
    case Command::Start:
      if (drawing) {
        return Answer::Busy;
      }
      f7_.Press();
      return Answer::Started;
    case Command::Abort:
      // A press while idle would be kept and stop the next drawing at its
      // first dot.
      if (!drawing) {
        return Answer::Idle;
      }
      f8_.Press();
      return Answer::Aborted;
    case Command::Raise:
      // A window that came up over the drawing area would take the clicks
      // meant for the program drawn into.
      return drawing ? Answer::Busy : Answer::Raised;
  }
  return Answer::BadMessage;
}

std::uint16_t CommandKeys::Query(int virtual_key) {
  KeyLatch* latch = virtual_key == VK_F7   ? &f7_
                    : virtual_key == VK_F8 ? &f8_
                                           : nullptr;
  if (latch == nullptr) {
    return 0;
  }
  const std::uint16_t word = latch->Query();
  latch->Release();
  return word;
}

}  // namespace scrivlet
