#pragma once

// One Scrivlet per user: two would both draw on one F7, each moving the
// pointer under the other. The first program to start owns the command
// channel; `scrivlet --start`/`--abort` and any later start talk to it.

#include <memory>
#include <optional>

#include "session/command_channel.h"

namespace scrivlet {

struct InstanceClaim {
  // Set when this process has done its job and exits with it: a command
  // sent to the running program, or a second start handed over to it.
  std::optional<int> exit_code;
  // The channel this program now serves, its claim to be the only one;
  // nullptr exactly when exit_code is set.
  std::unique_ptr<CommandServer> server;
};

// Reads --start and --abort from the command line (the program takes no
// other arguments of its own) and claims or hands over the instance. A
// start that cannot claim the channel does not run (exit status 1).
// Messages to the user go to stderr.
InstanceClaim ClaimInstance(int argc, char** argv);

}  // namespace scrivlet
