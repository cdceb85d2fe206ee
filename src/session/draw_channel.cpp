#include "session/draw_channel.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/platform_input.h"

namespace scrivlet {

std::string DrawChannelPath() {
  // A folder of its own: a channel's claim is a lock file named for the
  // folder, which the window's channel holds beside its socket.
  const std::string window = CommandChannelPath();
  return window.substr(0, window.rfind('/')) + "/draw/scrivlet.sock";
}

std::unique_ptr<DrawChannel> DrawChannel::Listen(const std::string& path) {
  const std::string dir = path.substr(0, path.rfind('/'));
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw PlatformError("Cannot make " + dir + ": " + std::strerror(errno));
  }
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
  Sent sent;
  try {
    sent = SendCommand(path, Command::Abort);
  } catch (const PlatformError&) {
    return false;  // not this user's: no draw command of theirs is there
  }
  if (sent.result != SendResult::Answered || sent.answer != Answer::Aborted) {
    return false;
  }
  std::cerr << "scrivlet: scrivlet draw の描画を中止しました(F8)。\n";
  return true;
}

}  // namespace scrivlet
