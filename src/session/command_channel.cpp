#include "session/command_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/platform_input.h"
#include "platform/unique_fd.h"

namespace scrivlet {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A command is a short word; anything longer is not one.
constexpr std::size_t kMaxMessage = 32;
constexpr int kBacklog = 8;
// Clients served at once; a new one pushes out the oldest, which has had
// its chance, so that silent clients cannot keep others out.
constexpr std::size_t kMaxClients = 16;
// Past its own wait a client has given up; the program lets it go then.
constexpr auto kServerPatience = kCommandWait + std::chrono::seconds(1);
// How often a client tries again to reach a program that holds the claim
// but does not accept yet.
constexpr milliseconds kConnectRetry{20};
constexpr std::string_view kReady = "ready\n";
constexpr std::string_view kGo = "go\n";

sockaddr_un AddressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // CheckChannelPlace has refused a path that does not fit.
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  return address;
}

// Connects within `deadline`. A program that holds the claim but does not
// accept yet (starting, or stalled with its queue full) is waited for.
// -1 with `*running` false: no program holds the channel.
int Connect(const std::string& path, Clock::time_point deadline,
            bool* running) {
  const sockaddr_un address = AddressOf(path);
  for (;;) {
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.Get() < 0) {
      throw PlatformError(std::string("Cannot make a socket: ") +
                          std::strerror(errno));
    }
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address),
                sizeof address) == 0) {
      *running = true;
      return fd.Release();
    }
    const int error = errno;
    if (error != EAGAIN && error != ECONNREFUSED && error != ENOENT) {
      throw PlatformError("Cannot reach the command channel at " + path + ": " +
                          std::strerror(error));
    }
    *running = error == EAGAIN || ChannelLockHeld(path);
    const auto now = Clock::now();
    if (!*running || now >= deadline) {
      return -1;
    }
    std::this_thread::sleep_for(
        std::min<Clock::duration>(kConnectRetry, deadline - now));
  }
}

// Reads one line of at most kMaxMessage bytes until `deadline`; what a
// peer sends beyond that, or without a newline in time, is returned as it
// is and fails to parse.
std::string ReadLine(int fd, Clock::time_point deadline) {
  std::string line;
  std::array<char, kMaxMessage + 1> chunk{};
  while (line.size() <= kMaxMessage && (line.empty() || line.back() != '\n')) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
    pollfd ready{fd, POLLIN, 0};
    if (left.count() <= 0 ||
        poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
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

void WriteAll(int fd, std::string_view text) {
  // MSG_NOSIGNAL: a peer that hung up must not kill the program by SIGPIPE.
  (void)send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
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
  if (runtime != nullptr && *runtime != '\0') {
    return std::string(runtime) + "/scrivlet.sock";
  }
  // Sessions started without a login manager (startx, su, a bare X server)
  // often have no runtime directory; a private one in the temporary
  // directory does its job, as other toolkits do. It must be this user's
  // alone: a directory someone else made there, or one others may enter, is
  // refused.
  const char* tmp = std::getenv("TMPDIR");
  const std::string dir =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
      "/scrivlet-runtime-" + std::to_string(geteuid());
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    throw PlatformError("XDG_RUNTIME_DIR is not set and " + dir +
                        " cannot be made: " + std::strerror(errno));
  }
  struct stat info {};
  if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
      info.st_uid != geteuid() || (info.st_mode & 0077) != 0) {
    throw PlatformError("XDG_RUNTIME_DIR is not set, and " + dir +
                        " is not a directory of this user's alone; set "
                        "XDG_RUNTIME_DIR to a private directory.");
  }
  return dir + "/scrivlet.sock";
}

std::unique_ptr<CommandServer> CommandServer::Listen(
    const std::string& path, const std::function<void()>& before_listen) {
  CheckChannelPlace(path);
  auto lock = ChannelLock::Take(path);
  if (!lock) {
    return nullptr;
  }
  // The lock proves that whoever made a socket here has ended, and
  // CheckChannelPlace that it was this user's.
  unlink(path.c_str());
  const sockaddr_un address = AddressOf(path);
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  // The socket is made with no access for others from the start; the chmod
  // after bind only confirms it.
  const mode_t saved = umask(0177);
  const bool bound = fd.Get() >= 0 &&
                     bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address),
                          sizeof address) == 0;
  umask(saved);
  if (bound) {
    chmod(path.c_str(), 0600);
    if (before_listen) {
      before_listen();
    }
    if (listen(fd.Get(), kBacklog) == 0) {
      return std::unique_ptr<CommandServer>(
          new CommandServer(std::move(lock), fd.Release(), path));
    }
    const int error = errno;
    unlink(path.c_str());
    errno = error;
  }
  throw PlatformError("Cannot open the command channel at " + path + ": " +
                      std::strerror(errno));
}

CommandServer::~CommandServer() {
  for (const Client& client : clients_) {
    close(client.fd);
  }
  // Still holding the lock: a program starting now finds no socket of ours.
  unlink(path_.c_str());
  close(fd_);
}

void CommandServer::Accept(Clock::time_point now) {
  for (std::size_t taken = 0; taken < kMaxClients; ++taken) {
    const int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      return;  // none waiting (EAGAIN), or it gave up meanwhile
    }
    // The socket's mode already keeps others out; root could still
    // connect, and is not the user either.
    if (!SameUser(fd)) {
      WriteAll(fd, AnswerMessage(Answer::BadMessage));
      close(fd);
      continue;
    }
    if (clients_.size() == kMaxClients) {
      close(clients_.front().fd);
      clients_.erase(clients_.begin());
    }
    clients_.push_back({fd, {}, std::nullopt, now});
  }
}

bool CommandServer::Step(Client& client,
                         const std::function<Answer(Command)>& handle,
                         Clock::time_point now) {
  std::string& in = client.received;
  bool ended = false;
  std::array<char, kMaxMessage + 1> chunk{};
  while (in.size() <= kMaxMessage) {
    const ssize_t got = recv(client.fd, chunk.data(), chunk.size(), 0);
    if (got > 0) {
      in.append(chunk.data(), static_cast<std::size_t>(got));
      continue;
    }
    ended = got == 0 || (errno != EAGAIN && errno != EINTR);
    break;
  }
  const auto refuse = [&] {
    WriteAll(client.fd, AnswerMessage(Answer::BadMessage));
    return true;
  };
  const bool given_up = ended || now - client.since > kServerPatience;
  if (!client.command) {
    const std::size_t newline = in.find('\n');
    if (newline == std::string::npos) {
      if (in.size() > kMaxMessage || (ended && !in.empty())) {
        return refuse();
      }
      return given_up;
    }
    // One line only: a confirmation sent before "ready" confirms nothing.
    client.command = newline + 1 == in.size() ? ParseCommand(in) : std::nullopt;
    if (!client.command) {
      return refuse();
    }
    in.clear();
    if (given_up) {
      return true;  // its sender is gone: the command is not carried out
    }
    WriteAll(client.fd, kReady);
    return false;
  }
  if (in == kGo) {
    WriteAll(client.fd, AnswerMessage(handle(*client.command)));
    return true;
  }
  if (!kGo.starts_with(in)) {
    return refuse();
  }
  return given_up;
}

void CommandServer::Serve(const std::function<Answer(Command)>& handle) {
  const auto now = Clock::now();
  Accept(now);
  std::vector<Client> open;
  open.reserve(clients_.size());
  for (Client& client : clients_) {
    if (Step(client, handle, now)) {
      close(client.fd);
    } else {
      open.push_back(std::move(client));
    }
  }
  clients_ = std::move(open);
}

Sent SendCommand(const std::string& path, Command command,
                 std::chrono::milliseconds wait) {
  CheckChannelPlace(path);
  const auto deadline = Clock::now() + wait;
  bool running = false;
  const UniqueFd fd(Connect(path, deadline, &running));
  if (fd.Get() < 0) {
    return {running ? SendResult::NoAnswer : SendResult::NotRunning,
            std::nullopt};
  }
  WriteAll(fd.Get(), CommandMessage(command));
  const std::string reply = ReadLine(fd.Get(), deadline);
  if (reply != kReady) {
    // Refused at once, or not taken in time: either way nothing was done.
    const auto refusal = ParseAnswer(reply);
    return {refusal ? SendResult::Answered : SendResult::NoAnswer, refusal};
  }
  WriteAll(fd.Get(), kGo);
  const auto answer =
      ParseAnswer(ReadLine(fd.Get(), Clock::now() + kCommandWait));
  return {answer ? SendResult::Answered : SendResult::Unconfirmed, answer};
}

}  // namespace scrivlet
