#pragma once

// The channel of a running `scrivlet draw`: a Unix socket in a folder
// beside the window's (draw/scrivlet.sock), served while the command
// draws. `scrivlet --abort` asks it first, so that the one
// command stops whichever drawing runs: the drawing lock lets only one run.

#include <memory>
#include <string>

#include "session/command_channel.h"

namespace scrivlet {

// The socket's path; throws PlatformError when there is no place for it.
std::string DrawChannelPath();

class DrawChannel {
 public:
  // Listens at `path`, making its folder; throws PlatformError when it
  // cannot, or when another draw command answers there.
  static std::unique_ptr<DrawChannel> Listen(const std::string& path);

  // Answers what has arrived, without waiting. True once an abort has
  // arrived, and from then on: the drawing is over, however late it looks.
  bool AbortAsked();

 private:
  explicit DrawChannel(std::unique_ptr<CommandServer> server)
      : server_(std::move(server)) {}
  std::unique_ptr<CommandServer> server_;
  bool abort_asked_ = false;
};

// `scrivlet --abort`'s first step: true when a running draw command took
// the abort, which is then reported on stderr.
bool AbortDrawCommand();

}  // namespace scrivlet
