#include "session/command_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/platform_input.h"
#include "platform/unique_fd.h"

namespace scrivlet {
namespace {

// A command is a short word; anything longer is not one.
constexpr std::size_t kMaxMessage = 32;
// How long a connected peer may take to send its line or its answer. The
// program waits at most this long for a client that connects and says
// nothing; a client waits longer, as a drawing may hold the answer back
// for one dot.
constexpr int kServerReadMs = 200;
constexpr int kClientReadMs = 5000;

sockaddr_un AddressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    throw PlatformError("The command channel's path is too long: " + path);
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

int Connect(const std::string& path) {
  const sockaddr_un address = AddressOf(path);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return -1;
  }
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address),
              sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Reads one line of at most kMaxMessage bytes within `timeout_ms`; what a
// peer sends beyond that, or without a newline in time, is returned as it
// is and fails to parse.
std::string ReadLine(int fd, int timeout_ms) {
  std::string line;
  std::array<char, kMaxMessage + 1> chunk{};
  while (line.size() <= kMaxMessage && (line.empty() || line.back() != '\n')) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, timeout_ms) <= 0) {
      break;
    }
    const ssize_t got = recv(fd, chunk.data(), chunk.size(), 0);
    if (got <= 0) {
      break;
    }
    line.append(chunk.data(), static_cast<std::size_t>(got));
  }
  return line;
}

void WriteAll(int fd, const std::string& text) {
  // MSG_NOSIGNAL: a peer that hung up must not kill the program by SIGPIPE.
  (void)send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

bool SameUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == getuid();
}

}  // namespace

std::string CommandChannelPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') {
    throw PlatformError(
        "XDG_RUNTIME_DIR is not set, so Scrivlet has no private place for "
        "its command channel (scrivlet --start and --abort).");
  }
  return std::string(runtime) + "/scrivlet.sock";
}

std::unique_ptr<CommandServer> CommandServer::Listen(const std::string& path) {
  const sockaddr_un address = AddressOf(path);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int running = Connect(path);
    if (running >= 0) {
      close(running);
      return nullptr;
    }
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0) {
      if (!S_ISSOCK(existing.st_mode)) {
        throw PlatformError("Cannot open the command channel: " + path +
                            " exists and is not a socket.");
      }
      // Nobody answers: a socket left behind by a program that crashed.
      unlink(path.c_str());
    }
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.Get() < 0) {
      break;
    }
    // The socket is made with no access for others from the start; the
    // chmod after bind only confirms it.
    const mode_t saved = umask(0177);
    const int bound = bind(
        fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    umask(saved);
    if (bound != 0) {
      if (errno == EADDRINUSE) {
        continue;  // another program started at the same moment: ask it
      }
      break;
    }
    chmod(path.c_str(), 0600);
    if (listen(fd.Get(), 8) != 0) {
      unlink(path.c_str());
      break;
    }
    return std::unique_ptr<CommandServer>(
        new CommandServer(fd.Release(), path));
  }
  throw PlatformError("Cannot open the command channel at " + path + ": " +
                      std::strerror(errno));
}

CommandServer::~CommandServer() {
  close(fd_);
  unlink(path_.c_str());
}

void CommandServer::Serve(const std::function<Answer(Command)>& handle) const {
  for (;;) {
    const UniqueFd client(accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
    if (client.Get() < 0) {
      return;  // none waiting (EAGAIN), or it gave up meanwhile
    }
    // The socket's mode already keeps others out; root could still
    // connect, and is not the user either.
    if (!SameUser(client.Get())) {
      WriteAll(client.Get(), AnswerMessage(Answer::BadMessage));
      continue;
    }
    const auto command = ParseCommand(ReadLine(client.Get(), kServerReadMs));
    const Answer answer = command ? handle(*command) : Answer::BadMessage;
    WriteAll(client.Get(), AnswerMessage(answer));
  }
}

Sent SendCommand(const std::string& path, Command command) {
  const UniqueFd fd(Connect(path));
  if (fd.Get() < 0) {
    return {SendResult::NotRunning, std::nullopt};
  }
  WriteAll(fd.Get(), CommandMessage(command));
  const auto answer = ParseAnswer(ReadLine(fd.Get(), kClientReadMs));
  if (!answer) {
    return {SendResult::NoAnswer, std::nullopt};
  }
  return {SendResult::Answered, answer};
}

}  // namespace scrivlet
