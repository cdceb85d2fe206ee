#include "session/instance_claim.h"

#include <iostream>
#include <string>
#include <string_view>

#include "platform/platform_input.h"
#include "session/draw_channel.h"
#include "session/instance_texts.h"

namespace scrivlet {
namespace {

constexpr int kUsageError = 2;
constexpr const char* kNoChannel =
    "コマンド用の接続口(scrivlet --start / --abort)を使えません。\n";

const char* AnswerText(Answer answer) {
  switch (answer) {
    case Answer::Started:
      return "描画開始(F7)を送りました。";
    case Answer::Busy:
      return "描画中のため、描画開始(F7)は無視されました。";
    case Answer::Aborted:
      return "描画を中止しました(F8)。";
    case Answer::Idle:
      return "描画していないため、中止(F8)は無視されました。";
    case Answer::Raised:
      return texts::kInstanceRaised;
    case Answer::BadMessage:
      break;
  }
  return "起動中の Scrivlet が指示を受け付けませんでした。";
}

void Say(const std::string& text) { std::cerr << "scrivlet: " << text << '\n'; }

int SendFromCommandLine(Command command) {
  std::string path;
  try {
    path = CommandChannelPath();
  } catch (const PlatformError& error) {
    Say(std::string(kNoChannel) + error.what());
    return 1;
  }
  const Sent sent = SendCommand(path, command);
  switch (sent.result) {
    case SendResult::NotRunning:
      Say("起動中の Scrivlet が見つかりません。先に scrivlet "
          "を起動してください。");
      return 1;
    case SendResult::NoAnswer:
      Say("起動中の Scrivlet が応答しませんでした。");
      return 1;
    case SendResult::Answered:
      break;
  }
  Say(AnswerText(*sent.answer));
  return *sent.answer == Answer::BadMessage ? 1 : 0;
}

}  // namespace

InstanceClaim ClaimInstance(int argc, char** argv) {
  std::optional<Command> command;
  for (int index = 1; index < argc; ++index) {
    const std::string_view argument = argv[index];
    const std::optional<Command> named =
        argument == "--start"   ? std::optional(Command::Start)
        : argument == "--abort" ? std::optional(Command::Abort)
                                : std::nullopt;
    if (named && command && *named != *command) {
      Say("--start と --abort は同時に指定できません。");
      return {kUsageError, nullptr};
    }
    command = named ? named : command;
  }
  if (command) {
    // At most one drawing runs: a draw command's, or else the window's.
    if (*command == Command::Abort && AbortDrawCommand()) {
      return {0, nullptr};
    }
    return {SendFromCommandLine(*command), nullptr};
  }

  std::string path;
  try {
    path = CommandChannelPath();
  } catch (const PlatformError& error) {
    Say(std::string(kNoChannel) + error.what());
    return {std::nullopt, nullptr};
  }
  // Twice: a program that quits between the two steps frees the channel.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::unique_ptr<CommandServer> server;
    try {
      server = CommandServer::Listen(path);
    } catch (const PlatformError& error) {
      // Drawing still works through the desktop's own keys.
      Say(std::string(kNoChannel) + error.what());
      return {std::nullopt, nullptr};
    }
    if (server) {
      return {std::nullopt, std::move(server)};
    }
    const Sent sent = SendCommand(path, Command::Raise);
    if (sent.result == SendResult::Answered) {
      Say(AnswerText(*sent.answer));
      return {0, nullptr};
    }
    if (sent.result == SendResult::NoAnswer) {
      Say(texts::kInstanceNoAnswer);
      return {1, nullptr};
    }
  }
  Say("コマンド用の接続口を開けませんでした: " + path);
  return {1, nullptr};
}

}  // namespace scrivlet
