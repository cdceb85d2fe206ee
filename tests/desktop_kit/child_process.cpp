#include "child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <stdexcept>

#include "poll_for.h"

namespace scrivlet::testing {
namespace {

// The inherited environment with `overrides` in place of entries of the same
// name.
std::vector<std::string> EnvironmentWith(
    const std::vector<std::string>& overrides) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string inherited = *entry;
    const std::string name = inherited.substr(0, inherited.find('=') + 1);
    bool replaced = false;
    for (const std::string& override : overrides) {
      replaced = replaced || override.rfind(name, 0) == 0;
    }
    if (!replaced) {
      environment.push_back(inherited);
    }
  }
  environment.insert(environment.end(), overrides.begin(), overrides.end());
  return environment;
}

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  for (std::string& text : strings) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

int StatusCode(int status) {
  if (WIFEXITED(status)) {
    return WEXITSTATUS(status);
  }
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& command,
                           const ChildOptions& options) {
  if (command.empty()) {
    throw std::invalid_argument("No command to start");
  }
  std::vector<std::string> arguments = command;
  std::vector<std::string> environment = EnvironmentWith(options.environment);
  const std::vector<char*> argv = NullTerminated(arguments);
  const std::vector<char*> envp = NullTerminated(environment);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  if (options.silent) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                     O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                     O_WRONLY, 0);
  }
  for (const int descriptor : options.close_in_child) {
    posix_spawn_file_actions_addclose(&actions, descriptor);
  }
  const int spawned =
      posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("Cannot start " + command.front() + ": " +
                             std::strerror(spawned));
  }
}

bool ChildProcess::HasExited() {
  if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) {
    pid_ = -1;
  }
  return pid_ <= 0;
}

int ChildProcess::Wait() {
  int status = 0;
  const pid_t waited = pid_ > 0 ? waitpid(pid_, &status, 0) : -1;
  pid_ = -1;
  return waited > 0 ? StatusCode(status) : -1;
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  int status = 0;
  const bool ended = PollFor(
      [&] { return pid_ <= 0 || waitpid(pid_, &status, WNOHANG) == pid_; },
      timeout);
  if (!ended || pid_ <= 0) {
    return std::nullopt;
  }
  pid_ = -1;
  return StatusCode(status);
}

void ChildProcess::Stop(std::chrono::milliseconds grace) {
  if (pid_ <= 0) {
    return;
  }
  kill(pid_, SIGTERM);
  if (!PollFor([&] { return HasExited(); }, grace)) {
    kill(pid_, SIGKILL);
    Wait();
  }
}

void RunToSuccess(const std::vector<std::string>& command) {
  ChildProcess process(command);
  const int status = process.Wait();
  if (status != 0) {
    throw std::runtime_error(command.front() + " failed with status " +
                             std::to_string(status) + " (is it installed?)");
  }
}

}  // namespace scrivlet::testing
