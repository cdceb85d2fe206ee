#pragma once

// A program started from the kit or a test (a paint program, Xvfb, xdotool,
// scrivlet itself), its standard input on /dev/null, and stopped again by
// its process id.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace scrivlet::testing {

struct ChildOptions {
  // NAME=value entries that replace or add to the inherited environment.
  std::vector<std::string> environment;
  // Sends standard output and error to /dev/null.
  bool silent = false;
  // Descriptors of ours the child must not inherit.
  std::vector<int> close_in_child;
};

class ChildProcess {
 public:
  // Starts `command` (searched on PATH); throws std::runtime_error if it
  // cannot be started.
  explicit ChildProcess(const std::vector<std::string>& command,
                        const ChildOptions& options = {});
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&&) = delete;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ~ChildProcess() { Stop(); }

  // The process id, or -1 once the process has ended and been reaped.
  [[nodiscard]] pid_t pid() const { return pid_; }
  // Reaps the process if it has ended.
  [[nodiscard]] bool HasExited();
  // Waits for the end; the exit status, or 128 + the signal that ended it.
  int Wait();
  // The same, but gives up after `timeout`: nullopt while it still runs.
  std::optional<int> WaitFor(std::chrono::milliseconds timeout);
  // SIGTERM, then SIGKILL if it has not ended within `grace`.
  void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

 private:
  pid_t pid_ = -1;
};

// Runs `command` to its end; throws std::runtime_error unless it exits 0.
void RunToSuccess(const std::vector<std::string>& command);

}  // namespace scrivlet::testing
