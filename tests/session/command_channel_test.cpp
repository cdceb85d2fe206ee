// The command channel: commands act as F7 and F8 taps only when a key
// would (no key stays pressed), bad messages are answered and change
// nothing, the socket is private, a stale one is replaced, a second start
// hands over to the first, and a start that cannot be the only one refuses.

#include "session/command_channel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "fake_desktop.h"
#include "session/command_input.h"
#include "session/instance_claim.h"

namespace scrivlet {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

// A uid that owns nothing on the test machine, as another user.
constexpr uid_t kOtherUser = 54321;

// A raw client socket, connected (non-blocking when asked) or -1.
int ConnectTo(const std::string& path, bool nonblocking = false) {
  const int fd =
      socket(AF_UNIX, SOCK_STREAM | (nonblocking ? SOCK_NONBLOCK : 0), 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A socket bound at `path`, as a program makes it before it listens.
int BoundSocket(const std::string& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

std::string Receive(int fd) {
  std::array<char, 64> buffer{};
  const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
  return {buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0};
}

// Polls `key` as the window or a plotter would until `done` is ready; what
// the polls saw, or'ed.
template <typename Future>
std::uint16_t PollUntil(PlatformInput& input, int key, Future& done) {
  std::uint16_t seen = 0;
  while (done.wait_for(milliseconds(2)) != std::future_status::ready) {
    seen |= input.GetAsyncKeyState(key);
  }
  return seen | input.GetAsyncKeyState(key);
}

// The name and inode of every entry of `dir`.
std::map<std::string, ino_t> Entries(const std::string& dir) {
  std::map<std::string, ino_t> entries;
  for (const auto& entry : fs::directory_iterator(dir)) {
    struct stat info {};
    lstat(entry.path().c_str(), &info);
    entries[entry.path().filename()] = info.st_ino;
  }
  return entries;
}

class ChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (fs::temp_directory_path() / "scrivlet-channel.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/scrivlet.sock";
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Sends raw bytes, confirms when asked to, and returns the answer line,
  // while `input` is polled for `key`.
  static std::string Exchange(const std::string& path, const std::string& bytes,
                              PlatformInput& input, int key,
                              std::uint16_t* seen) {
    auto reply = std::async(std::launch::async, [&] {
      const int fd = ConnectTo(path);
      if (fd < 0) {
        return std::string("no connection");
      }
      (void)send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      std::string answer = Receive(fd);
      if (answer == "ready\n") {
        (void)send(fd, "go\n", 3, MSG_NOSIGNAL);
        answer = Receive(fd);
      }
      close(fd);
      return answer;
    });
    *seen = PollUntil(input, key, reply);
    return reply.get();
  }

  std::string dir_;
  std::string path_;
};

TEST_F(ChannelTest, MessagesReachTheKeysAndBadOnesChangeNothing) {
  struct Case {
    const char* name;
    std::string bytes;
    int polled;         // F7: the idle window; F8: a drawing
    bool form_drawing;  // what the window says
    std::string answer;
    std::uint16_t seen;
    bool raised;
  };
  const std::array cases{
      Case{"start", "start\n", VK_F7, false, "started\n", kFreshKeyPress,
           false},
      Case{"abort during a drawing", "abort\n", VK_F8, false, "aborted\n",
           kFreshKeyPress, false},
      Case{"start during a drawing", "start\n", VK_F8, false, "busy\n", 0,
           false},
      Case{"start while the window draws", "start\n", VK_F7, true, "busy\n", 0,
           false},
      Case{"abort while idle", "abort\n", VK_F7, false, "idle\n", 0, false},
      Case{"raise", "raise\n", VK_F7, false, "raised\n", 0, true},
      Case{"raise during a drawing", "raise\n", VK_F8, false, "busy\n", 0,
           false},
      Case{"raise while the window draws", "raise\n", VK_F7, true, "busy\n", 0,
           false},
      Case{"unknown word", "draw\n", VK_F7, false, "bad-message\n", 0, false},
      Case{"two commands in one", "start\nabort\n", VK_F8, false,
           "bad-message\n", 0, false},
      Case{"too long", std::string(200, 's') + "\n", VK_F7, false,
           "bad-message\n", 0, false},
      Case{"binary", std::string("\0start\n", 7), VK_F7, false, "bad-message\n",
           0, false},
  };
  for (const Case& c : cases) {
    auto server = CommandServer::Listen(path_);
    ASSERT_NE(server, nullptr);
    CommandInput input(std::make_unique<testing::FakeDesktop>(),
                       std::move(server));
    bool raised = false;
    input.OnRaise([&] { raised = true; }, [&] { return c.form_drawing; });
    std::uint16_t seen = 0;
    EXPECT_EQ(Exchange(path_, c.bytes, input, c.polled, &seen), c.answer)
        << c.name;
    EXPECT_EQ(seen, c.seen) << c.name;
    EXPECT_EQ(raised, c.raised) << c.name;
    EXPECT_EQ(input.GetAsyncKeyState(VK_F7) | input.GetAsyncKeyState(VK_F8), 0)
        << c.name << ": a key stayed pressed";
  }
}

TEST_F(ChannelTest, SocketIsPrivateAndAStaleOneIsReplaced) {
  // A program that crashed left its socket behind: nobody answers there.
  close(BoundSocket(path_));
  EXPECT_EQ(SendCommand(path_, Command::Start).result, SendResult::NotRunning);
  auto server = CommandServer::Listen(path_);
  ASSERT_NE(server, nullptr);
  struct stat info {};
  ASSERT_EQ(stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  // While it runs, a second program finds it instead of taking over.
  EXPECT_EQ(CommandServer::Listen(path_), nullptr);
  server.reset();
  EXPECT_FALSE(fs::exists(path_)) << "socket left on exit";
}

TEST_F(ChannelTest, SecondStartRaisesTheFirstAndExits) {
  std::array<char*, 1> plain{const_cast<char*>("scrivlet")};
  InstanceClaim first = ClaimInstance(1, plain.data());
  ASSERT_FALSE(first.exit_code.has_value());
  ASSERT_NE(first.server, nullptr);
  CommandInput input(std::make_unique<testing::FakeDesktop>(),
                     std::move(first.server));
  bool raised = false;
  input.OnRaise([&] { raised = true; });
  auto second = std::async(std::launch::async,
                           [&] { return ClaimInstance(1, plain.data()); });
  PollUntil(input, VK_F7, second);
  const InstanceClaim handed = second.get();
  EXPECT_EQ(handed.exit_code, 0);
  EXPECT_EQ(handed.server, nullptr);
  EXPECT_TRUE(raised);
}

TEST_F(ChannelTest, TwoStartsAtOnceLeaveOneRunning) {
  // The first start is held between bind and listen, where a second start
  // saw a refused connection and once took the socket for a crash's.
  std::array<char*, 1> plain{const_cast<char*>("scrivlet")};
  std::future<InstanceClaim> second;
  auto first = CommandServer::Listen(path_, [&] {
    second = std::async(std::launch::async,
                        [&] { return ClaimInstance(1, plain.data()); });
    (void)second.wait_for(milliseconds(300));
  });
  ASSERT_NE(first, nullptr);
  CommandInput input(std::make_unique<testing::FakeDesktop>(),
                     std::move(first));
  bool raised = false;
  input.OnRaise([&] { raised = true; });
  PollUntil(input, VK_F7, second);
  const InstanceClaim handed = second.get();
  EXPECT_EQ(handed.server, nullptr) << "both run";
  EXPECT_EQ(handed.exit_code, 0);
  EXPECT_TRUE(raised);
}

TEST_F(ChannelTest, CommandsGivenUpOnAreNotCarriedOut) {
  // The program stalls (stopped, or busy elsewhere) while clients give up.
  auto server = CommandServer::Listen(path_);
  ASSERT_NE(server, nullptr);
  CommandInput input(std::make_unique<testing::FakeDesktop>(),
                     std::move(server));
  const auto polled = [&] {
    std::uint16_t seen = 0;
    for (int poll = 0; poll < 5; ++poll) {
      seen |= input.GetAsyncKeyState(VK_F7);
    }
    return seen;
  };
  EXPECT_EQ(SendCommand(path_, Command::Start, milliseconds(100)).result,
            SendResult::NoAnswer);
  EXPECT_EQ(polled(), 0) << "a start given up on was carried out";
  // Its queue of connections full, a client's connect gives up in time too.
  std::vector<int> waiting;
  for (int fd = ConnectTo(path_, true); fd >= 0 && waiting.size() < 64;
       fd = ConnectTo(path_, true)) {
    waiting.push_back(fd);
  }
  auto blocked = std::async(std::launch::async, [&] {
    return SendCommand(path_, Command::Start, milliseconds(100)).result;
  });
  ASSERT_EQ(blocked.wait_for(std::chrono::seconds(10)),
            std::future_status::ready)
      << "connect waits without a time limit";
  EXPECT_EQ(blocked.get(), SendResult::NoAnswer);
  for (const int fd : waiting) {
    close(fd);
  }
  EXPECT_EQ(polled(), 0);
}

TEST_F(ChannelTest, SilentClientsDoNotHoldF8) {
  auto server = CommandServer::Listen(path_);
  ASSERT_NE(server, nullptr);
  CommandInput input(std::make_unique<testing::FakeDesktop>(),
                     std::move(server));
  // Clients that connect and say nothing, one after another, for a while.
  std::atomic<bool> flooding = true;
  std::atomic<bool> stop = false;
  std::promise<void> some_connected;
  std::thread flood([&] {
    std::vector<int> silent;
    for (int n = 0; n < 100 && !stop; ++n) {
      silent.push_back(ConnectTo(path_, true));
      if (n == 4) {
        some_connected.set_value();
      }
      std::this_thread::sleep_for(milliseconds(20));
    }
    flooding = false;
    for (const int fd : silent) {
      close(fd);
    }
  });
  some_connected.get_future().wait();
  auto abort = std::async(std::launch::async, [&] {
    return SendCommand(path_, Command::Abort).answer;
  });
  const std::uint16_t seen = PollUntil(input, VK_F8, abort);
  const bool in_time = flooding;
  stop = true;
  flood.join();
  EXPECT_EQ(abort.get(), Answer::Aborted);
  EXPECT_EQ(seen, kFreshKeyPress);
  EXPECT_TRUE(in_time) << "F8 waited for the silent clients";
}

TEST_F(ChannelTest, StartsThatCannotBeTheOnlyOneRefuse) {
  const std::string long_dir = dir_ + "/" + std::string(100, 'r');
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::function<void()> prepare;
    uid_t user;  // 0: this process, else a child as that user
    int exit_code;
  };
  const auto runtime = [](const std::string& dir) {
    return [dir] { setenv("XDG_RUNTIME_DIR", dir.c_str(), 1); };
  };
  constexpr int kRuns = 100;
  const std::string tmp = dir_ + "/tmp";
  const std::string fallback =
      tmp + "/scrivlet-runtime-" + std::to_string(geteuid());
  const auto without_runtime = [&] {
    fs::create_directory(tmp);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", tmp.c_str(), 1);
  };
  int other_program = -1;
  const auto other_users = [&] {
    // A shared directory open to all, and another user's program in it.
    EXPECT_EQ(chmod(dir_.c_str(), 0777), 0);
    other_program = BoundSocket(path_);
    EXPECT_EQ(listen(other_program, 1), 0);
    const std::string lock = dir_ + "/scrivlet.lock";
    close(open(lock.c_str(), O_CREAT | O_WRONLY, 0600));
    for (const std::string& path : {path_, lock}) {
      EXPECT_EQ(chown(path.c_str(), kOtherUser + 1, 0), 0);
    }
  };
  const std::array cases{
      Case{"start, nothing running", {"--start"}, [] {}, 0, 1},
      Case{"abort, nothing running", {"--abort"}, [] {}, 0, 1},
      Case{"both", {"--start", "--abort"}, [] {}, 0, 2},
      Case{"no runtime directory: a private one in TMPDIR",
           {},
           [&] { without_runtime(); },
           0,
           kRuns},
      Case{"no runtime directory, and TMPDIR's is another user's",
           {},
           [&] {
             without_runtime();
             fs::create_directory(fallback);
             EXPECT_EQ(chown(fallback.c_str(), kOtherUser, 0), 0);
           },
           0,
           1},
      Case{"runtime path too long", {}, runtime(long_dir), 0, 1},
      Case{
          "start, runtime path too long", {"--start"}, runtime(long_dir), 0, 1},
      Case{"a file at the socket's path",
           {},
           [this] { std::ofstream(path_) << "a user's file"; },
           0,
           1},
      Case{"another user's runtime directory",
           {},
           [this] { EXPECT_EQ(chown(dir_.c_str(), kOtherUser, 0), 0); },
           0,
           1},
      Case{"another user's program in a shared directory",
           {},
           other_users,
           kOtherUser,
           1},
  };
  fs::create_directory(long_dir);
  for (const Case& c : cases) {
    c.prepare();
    const auto before = Entries(dir_);
    std::vector<char*> argv{const_cast<char*>("scrivlet")};
    for (const std::string& argument : c.arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    const auto claim = [&] {
      return ClaimInstance(static_cast<int>(argv.size()), argv.data())
          .exit_code.value_or(kRuns);
    };
    int status = 0;
    if (c.user == 0) {
      status = claim();
    } else if (const pid_t child = fork(); child == 0) {
      _exit(setuid(c.user) == 0 ? claim() : 99);
    } else {
      waitpid(child, &status, 0);
      status = WEXITSTATUS(status);
    }
    EXPECT_EQ(status, c.exit_code) << c.name;
    EXPECT_EQ(Entries(dir_), before) << c.name << ": the directory changed";
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    unsetenv("TMPDIR");
    fs::remove_all(tmp);
    EXPECT_EQ(chown(dir_.c_str(), 0, 0) | chmod(dir_.c_str(), 0700), 0);
    fs::remove(path_);
    fs::remove(dir_ + "/scrivlet.lock");
  }
  close(other_program);
}

}  // namespace
}  // namespace scrivlet
