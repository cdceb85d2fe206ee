#include "bare_x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
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
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  const int spawned =
      posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (spawned != 0) {
    close(pipe_fds[0]);
    throw std::runtime_error("Cannot start Xvfb");
  }

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
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("Xvfb did not report a display");
  }
  display_ = ":" + number;
}

BareXServer::~BareXServer() {
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value)
    : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_value_ = true;
    old_value_ = old;
  }
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnvironment::~ScopedEnvironment() {
  if (had_value_) {
    setenv(name_.c_str(), old_value_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace scrivlet::testing
