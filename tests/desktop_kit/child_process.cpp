#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <sstream>
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
    environment.emplace_back(*entry);
  }
  std::erase_if(environment, [&](const std::string& inherited) {
    const std::string name = inherited.substr(0, inherited.find('=') + 1);
    return std::any_of(
        overrides.begin(), overrides.end(),
        [&](const std::string& o) { return o.starts_with(name); });
  });
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

  std::array<int, 2> pipe_fds{-1, -1};
  if (options.read_output && pipe2(pipe_fds.data(), O_CLOEXEC) != 0) {
    throw std::runtime_error("Cannot make a pipe for " + command.front());
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  if (options.read_output) {
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    if (options.read_errors) {
      posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
    }
  } else if (options.silent) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                     O_WRONLY, 0);
  }
  if (options.silent) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                     O_WRONLY, 0);
  }
  const int spawned =
      posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (options.read_output) {
    close(pipe_fds[1]);
    output_ = pipe_fds[0];
  }
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("Cannot start " + command.front() + ": " +
                             std::strerror(spawned));
  }
}

ChildProcess::~ChildProcess() {
  Stop();
  if (output_ >= 0) {
    close(output_);
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

std::optional<std::string> ChildProcess::ReadLine(
    std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (pending_.find('\n') == std::string::npos) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{output_, POLLIN, 0};
    if (output_ < 0 || left.count() <= 0 ||
        poll(&ready, 1, static_cast<int>(left.count())) != 1) {
      return std::nullopt;
    }
    std::array<char, 256> chunk{};
    const ssize_t got = read(output_, chunk.data(), chunk.size());
    if (got <= 0) {  // the end: a last line without its newline counts
      close(output_);
      output_ = -1;
      pending_ += pending_.empty() ? "" : "\n";
      if (pending_.empty()) {
        return std::nullopt;
      }
    } else {
      pending_.append(chunk.data(), static_cast<std::size_t>(got));
    }
  }
  const std::size_t end = pending_.find('\n');
  std::string line = pending_.substr(0, end);
  pending_.erase(0, end + 1);
  return line;
}

Finished RunToEnd(const std::vector<std::string>& command,
                  bool errors_inherited) {
  ChildProcess process(command, {{}, false, true, !errors_inherited});
  Finished finished;
  while (const std::optional<std::string> line =
             process.ReadLine(std::chrono::minutes(1))) {
    finished.output += *line + '\n';
  }
  finished.exit_code = process.Wait();
  return finished;
}

std::string RunToSuccess(const std::vector<std::string>& command) {
  const Finished finished = RunToEnd(command, true);
  if (finished.exit_code != 0) {
    throw std::runtime_error(command.front() + " failed with status " +
                             std::to_string(finished.exit_code) +
                             " (is it installed?)");
  }
  return finished.output;
}

std::vector<std::string> Xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::istringstream output(RunToSuccess(command));
  std::vector<std::string> words;
  for (std::string word; output >> word;) {
    words.push_back(word);
  }
  return words;
}

}  // namespace scrivlet::testing
