#pragma once

// The one way tests and the kit start other programs (a paint program, Xvfb,
// xdotool, scrivlet itself): standard input on /dev/null, standard output
// optionally read line by line, and stopped again by process id.

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
  // Keeps standard output for ReadLine (standard error stays inherited).
  bool read_output = false;
  // With read_output: standard error goes the same way.
  bool read_errors = false;
};

class ChildProcess {
 public:
  // Starts `command` (searched on PATH); throws std::runtime_error if it
  // cannot be started.
  explicit ChildProcess(const std::vector<std::string>& command,
                        const ChildOptions& options = {});
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

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
  // The next line of its output (read_output); nullopt once the output has
  // ended or after `timeout` without a whole line.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string pending_;
};

struct Finished {
  int exit_code = -1;
  std::string output;
};

// Runs `command` to its end: its output, and its errors too unless
// `errors_inherited`.
Finished RunToEnd(const std::vector<std::string>& command,
                  bool errors_inherited = false);
// Runs `command` to its end and returns its output; throws
// std::runtime_error unless it exits 0.
std::string RunToSuccess(const std::vector<std::string>& command);

// Runs xdotool with these arguments; its output, split at white space.
std::vector<std::string> Xdotool(const std::vector<std::string>& arguments);

}  // namespace scrivlet::testing
