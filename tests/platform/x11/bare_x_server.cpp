#include "bare_x_server.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

namespace scrivlet::testing {

BareXServer::BareXServer(const std::vector<std::string>& extra_arguments) {
  std::array<int, 2> pipe_fds{};
  if (pipe(pipe_fds.data()) != 0) {
    throw std::runtime_error("pipe failed");
  }
  // Xvfb writes its display number to this descriptor once it is ready.
  std::vector<std::string> arguments = {
      "Xvfb",      "-displayfd", std::to_string(pipe_fds[1]),
      "-nolisten", "tcp",        "-screen",
      "0",         "320x240x24"};
  arguments.insert(arguments.end(), extra_arguments.begin(),
                   extra_arguments.end());
  try {
    server_.emplace(arguments, ChildOptions{{}, true, {pipe_fds[0]}});
  } catch (...) {
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    throw;
  }
  close(pipe_fds[1]);

  // Read up to the newline: Xvfb writes the number and the newline
  // separately and gives up if the pipe is closed in between.
  std::string number;
  for (;;) {
    pollfd ready{pipe_fds[0], POLLIN, 0};
    char c = 0;
    if (poll(&ready, 1, 10000) != 1 || read(pipe_fds[0], &c, 1) != 1 ||
        c == '\n') {
      break;
    }
    number += c;
  }
  close(pipe_fds[0]);
  if (number.empty()) {
    throw std::runtime_error("Xvfb did not report a display");
  }
  display_ = ":" + number;
}

}  // namespace scrivlet::testing
