#include "session/instance_claim.h"

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "platform/platform_input.h"
#include "session/draw_channel.h"
#include "session/instance_texts.h"

namespace scrivlet {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kUsageError = 2;
constexpr const char* kNoChannel =
    "コマンド用の接続口(scrivlet --start / --abort)を使えません。\n";
constexpr const char* kNoClaim =
    "起動中の Scrivlet があるかどうかを確かめられないため、起動しません"
    "(二つの Scrivlet が同時に描くのを防ぐためです)。\n";
// How long a second start waits between finding no program and claiming
// the channel again.
constexpr std::chrono::milliseconds kClaimRetry{20};

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

// Says why a command was not answered; the exit status for it.
int NotAnswered(SendResult result) {
  switch (result) {
    case SendResult::NotRunning:
      Say("起動中の Scrivlet が見つかりません。先に scrivlet "
          "を起動してください。");
      break;
    case SendResult::Unconfirmed:
      Say("指示は届きましたが、起動中の Scrivlet が結果を返しませんでした。");
      break;
    case SendResult::NoAnswer:
    case SendResult::Answered:
      Say("起動中の Scrivlet が応答しませんでした。");
      break;
  }
  return 1;
}

int SendFromCommandLine(Command command) {
  Sent sent;
  try {
    sent = SendCommand(CommandChannelPath(), command);
  } catch (const PlatformError& error) {
    Say(std::string(kNoChannel) + error.what());
    return 1;
  }
  if (sent.result != SendResult::Answered) {
    return NotAnswered(sent.result);
  }
  Say(AnswerText(*sent.answer));
  return *sent.answer == Answer::BadMessage ? 1 : 0;
}

// A second start: the running program is asked to come forward.
int HandOver(const Sent& sent) {
  if (sent.result == SendResult::NoAnswer) {
    Say(texts::kInstanceNoAnswer);
    return 1;
  }
  if (sent.result != SendResult::Answered) {
    return NotAnswered(sent.result);
  }
  switch (*sent.answer) {
    case Answer::Raised:
      Say(texts::kInstanceRaised);
      return 0;
    case Answer::Busy:
      Say(texts::kInstanceBusy);
      return 0;
    default:
      Say(AnswerText(Answer::BadMessage));
      return 1;
  }
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

  // Without the channel nothing keeps a second program from drawing too.
  try {
    const std::string path = CommandChannelPath();
    const auto deadline = Clock::now() + kCommandWait;
    for (;;) {
      if (auto server = CommandServer::Listen(path)) {
        return {std::nullopt, std::move(server)};
      }
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      const Sent sent =
          SendCommand(path, Command::Raise, std::max(left, kClaimRetry));
      // Not running: the other program ended meanwhile; claim again.
      if (sent.result != SendResult::NotRunning) {
        return {HandOver(sent), nullptr};
      }
      if (Clock::now() >= deadline) {
        Say("コマンド用の接続口を開けませんでした: " + path);
        return {1, nullptr};
      }
      std::this_thread::sleep_for(kClaimRetry);
    }
  } catch (const PlatformError& error) {
    Say(std::string(kNoClaim) + error.what());
    return {1, nullptr};
  }
}

}  // namespace scrivlet
