#pragma once

// The command channel: a Unix socket in the user's runtime directory
// ($XDG_RUNTIME_DIR/scrivlet.sock, mode 0600) through which
// `scrivlet --start`, `scrivlet --abort` and a second start of the program
// reach the one that runs. A client sends its command's line, the program
// answers "ready", the client confirms with "go" and the program answers
// with what it did: a command whose sender gave up before confirming is
// never carried out.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "session/channel_lock.h"
#include "session/command_keys.h"

namespace scrivlet {

// How long a client waits for the program, from connecting to "ready" and
// again from "go" to the answer: a drawing holds an answer back for a dot.
inline constexpr std::chrono::milliseconds kCommandWait{5000};

// The socket's path, in XDG_RUNTIME_DIR, or without one in a private
// directory in $TMPDIR or /tmp. Throws PlatformError when that cannot be had.
std::string CommandChannelPath();

// The running program's end. Serving never waits for a client: what a
// client has sent so far is kept until its next part arrives.
class CommandServer {
 public:
  // Claims the channel at `path` and listens there. Returns nullptr when
  // another program holds the claim. A socket file left by a program that
  // ended is replaced. Throws PlatformError when the channel is not this
  // user's to use (CheckChannelPlace) or the socket cannot be made.
  // `before_listen` runs between bind and listen, for tests of that moment.
  static std::unique_ptr<CommandServer> Listen(
      const std::string& path, const std::function<void()>& before_listen = {});

  CommandServer(const CommandServer&) = delete;
  CommandServer& operator=(const CommandServer&) = delete;
  CommandServer(CommandServer&&) = delete;
  CommandServer& operator=(CommandServer&&) = delete;
  ~CommandServer();

  // Takes new connections and whatever the clients have sent: `handle`
  // gets each confirmed, well-formed command and returns the answer; a bad
  // message is answered Answer::BadMessage without reaching `handle`.
  void Serve(const std::function<Answer(Command)>& handle);

 private:
  struct Client {
    int fd;
    std::string received;
    std::optional<Command> command;  // read and acknowledged: awaits "go"
    std::chrono::steady_clock::time_point since;
  };

  CommandServer(std::unique_ptr<ChannelLock> lock, int fd, std::string path)
      : lock_(std::move(lock)), fd_(fd), path_(std::move(path)) {}
  void Accept(std::chrono::steady_clock::time_point now);
  // Reads what `client` sent and acts on it; true when it is done with.
  static bool Step(Client& client, const std::function<Answer(Command)>& handle,
                   std::chrono::steady_clock::time_point now);

  std::unique_ptr<ChannelLock> lock_;  // released last, after the unlink
  int fd_;
  std::string path_;
  std::vector<Client> clients_;
};

// What sending a command found.
enum class SendResult : std::uint8_t {
  Answered,
  NotRunning,   // no program holds the channel
  NoAnswer,     // one does but did not take the command in time: not done
  Unconfirmed,  // it took the command but its answer did not come
};

struct Sent {
  SendResult result = SendResult::NotRunning;
  std::optional<Answer> answer;
};

// Sends one command to the program at `path`, giving up after `wait`.
// Throws PlatformError when the channel is not this user's to use.
Sent SendCommand(const std::string& path, Command command,
                 std::chrono::milliseconds wait = kCommandWait);

}  // namespace scrivlet
