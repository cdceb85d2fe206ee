#pragma once

// The command channel: a Unix socket in the user's runtime directory
// ($XDG_RUNTIME_DIR/scrivlet.sock, mode 0600) through which
// `scrivlet --start`, `scrivlet --abort` and a second start of the program
// reach the one that runs. One line each way per connection.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "session/command_keys.h"

namespace scrivlet {

// The socket's path; throws PlatformError when XDG_RUNTIME_DIR is unset.
std::string CommandChannelPath();

// The running program's end: accepts without ever blocking the caller for
// long, answers each message at once.
class CommandServer {
 public:
  // Listens at `path`. Returns nullptr when another program already
  // answers there. A socket file that nobody answers (left by a crash) is
  // replaced. Throws PlatformError when the socket cannot be made.
  static std::unique_ptr<CommandServer> Listen(const std::string& path);

  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;
  CommandServer(CommandServer&&) = delete;
  CommandServer& operator=(CommandServer&&) = delete;
  ~CommandServer();

  // Serves every connection waiting now: `handle` gets each well-formed
  // command and returns the answer; a bad message is answered
  // Answer::BadMessage without reaching `handle`.
  void Serve(const std::function<Answer(Command)>& handle) const;

 private:
  CommandServer(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

// What sending a command found.
enum class SendResult : std::uint8_t { Answered, NotRunning, NoAnswer };

struct Sent {
  SendResult result = SendResult::NotRunning;
  std::optional<Answer> answer;
};

// Sends one command to the program listening at `path` and waits briefly
// for its answer.
Sent SendCommand(const std::string& path, Command command);

}  // namespace scrivlet
