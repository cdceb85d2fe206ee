#include "session/draw_channel.h"

#include <iostream>

#include "platform/platform_input.h"

namespace scrivlet {

std::string DrawChannelPath() {
  const std::string window = CommandChannelPath();
  return window.substr(0, window.rfind('/')) + "/scrivlet-draw.sock";
}

std::unique_ptr<DrawChannel> DrawChannel::Listen(const std::string& path) {
  std::unique_ptr<CommandServer> server = CommandServer::Listen(path);
  if (!server) {
    throw PlatformError("Another scrivlet draw already answers at " + path);
  }
  return std::unique_ptr<DrawChannel>(new DrawChannel(std::move(server)));
}

bool DrawChannel::AbortAsked() {
  server_->Serve([this](Command command) {
    switch (command) {
      case Command::Abort:
        abort_asked_ = true;
        return Answer::Aborted;
      case Command::Start:
        return Answer::Busy;  // it is drawing already
      case Command::Raise:
        break;  // it has no window
    }
    return Answer::BadMessage;
  });
  return abort_asked_;
}

bool AbortDrawCommand() {
  std::string path;
  try {
    path = DrawChannelPath();
  } catch (const PlatformError&) {
    return false;  // the window's channel says why
  }
  const Sent sent = SendCommand(path, Command::Abort);
  if (sent.result != SendResult::Answered || sent.answer != Answer::Aborted) {
    return false;
  }
  std::cerr << "scrivlet: scrivlet draw の描画を中止しました(F8)。\n";
  return true;
}

}  // namespace scrivlet
