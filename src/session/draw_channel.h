#pragma once

// The channel of a running `scrivlet draw`: a Unix socket beside the
// window's ($XDG_RUNTIME_DIR/scrivlet-draw.sock, mode 0600), served while
// the command draws. `scrivlet --abort` asks it first, so that the one
// command stops whichever drawing runs: the drawing lock lets only one run.

#include <memory>
#include <string>

#include "session/command_channel.h"

namespace scrivlet {

// The socket's path; throws PlatformError when XDG_RUNTIME_DIR is unset.
std::string DrawChannelPath();

class DrawChannel {
 public:
  // Listens at `path`; throws PlatformError when it cannot, or when another
  // draw command answers there.
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
