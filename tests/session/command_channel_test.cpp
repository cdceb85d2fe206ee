// The command channel: commands act as F7 and F8 taps only when a key
// would (no key stays pressed), bad messages are answered and change
// nothing, the socket is private, a stale one is replaced, a second start
// hands over to the first, and a start that cannot be the only one refuses.
// One drawing at a time: while the drawing lock is held (by a draw command),
// the window's drawing ends before its first event.

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
#include "session/drawing_lock.h"
#include "session/instance_claim.h"

namespace scrivlet {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

// A uid that owns nothing on the test machine, as another user.
constexpr uid_t kOtherUser = 54321;

// A socket at `path`: a client's, connected, or a program's, bound as
// before it listens; -1 if that fails.
int SocketAt(const std::string& path, bool bound, int flags = 0) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  if ((bound ? bind(fd, raw, sizeof address)
             : connect(fd, raw, sizeof address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}
int ConnectTo(const std::string& path, int flags = 0) {
  return SocketAt(path, false, flags);
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
    std::string bytes;
    int polled;         // F7: the idle window; F8: a drawing
    bool form_drawing;  // what the window says
    std::string answer;
    bool registering = false;  // inks: F7 records a swatch, F8 ends it
  };
  const std::array cases{
      Case{"start\n", VK_F7, false, "started\n"},
      Case{"abort\n", VK_F8, false, "aborted\n"},
      Case{"start\n", VK_F8, false, "busy\n"},
      Case{"start\n", VK_F7, true, "busy\n"},
      Case{"abort\n", VK_F7, false, "idle\n"},
      Case{"raise\n", VK_F7, false, "raised\n"},
      Case{"raise\n", VK_F7, true, "busy\n"},
      Case{"draw\n", VK_F7, false, "bad-message\n"},
      Case{"start\nabort\n", VK_F8, false, "bad-message\n"},
      Case{std::string(200, 's') + "\n", VK_F7, false, "bad-message\n"},
      Case{std::string("\0start\n", 7), VK_F7, false, "bad-message\n"},
      // Registering polls F8 too, yet no drawing runs; both keys count.
      Case{"start\n", VK_F8, false, "started\n", true},
      Case{"abort\n", VK_F7, false, "aborted\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.substr(0, 20) +
                 (c.form_drawing ? " (window draws)" : "") +
                 (c.polled == VK_F8 ? " (F8 polled)" : "") +
                 (c.registering ? " (registering)" : ""));
    auto server = CommandServer::Listen(path_);
    ASSERT_NE(server, nullptr);
    CommandInput input(std::make_unique<testing::FakeDesktop>(),
                       std::move(server));
    bool raised = false;
    input.OnRaise([&] { raised = true; }, [&] { return c.form_drawing; },
                  [&] { return c.registering; });
    std::uint16_t seen = 0;
    EXPECT_EQ(Exchange(path_, c.bytes, input, c.polled, &seen), c.answer);
    seen |= input.GetAsyncKeyState(VK_F7) | input.GetAsyncKeyState(VK_F8);
    // Only a command carried out taps its key, and none stays pressed.
    const bool tapped = c.answer == "started\n" || c.answer == "aborted\n";
    EXPECT_EQ(seen, tapped ? kFreshKeyPress : 0);
    EXPECT_EQ(raised, c.answer == "raised\n");
    EXPECT_EQ(input.GetAsyncKeyState(VK_F7) | input.GetAsyncKeyState(VK_F8), 0);
  }
}

TEST_F(ChannelTest, SocketIsPrivateAndAStaleOneIsReplaced) {
  // A program that crashed left its socket behind: nobody answers there.
  close(SocketAt(path_, true));
  EXPECT_EQ(SendCommand(path_, Command::Start).result, SendResult::NotRunning);
  auto server = CommandServer::Listen(path_);
  ASSERT_NE(server, nullptr);
  struct stat info {};
  ASSERT_EQ(stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  server.reset();
  EXPECT_FALSE(fs::exists(path_)) << "socket left on exit";
}

TEST_F(ChannelTest, ASecondStartRaisesTheFirstAndExits) {
  // Held between bind and listen, a first start once looked to a second
  // start like a crashed program's socket, and both ran.
  std::array<char*, 1> plain{const_cast<char*>("scrivlet")};
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held ? "first held before listening" : "first running");
    std::future<InstanceClaim> second;
    const auto start_second = [&] {
      second = std::async(std::launch::async,
                          [&] { return ClaimInstance(1, plain.data()); });
    };
    auto first = CommandServer::Listen(path_, [&] {
      if (held) {
        start_second();
        (void)second.wait_for(milliseconds(300));
      }
    });
    ASSERT_NE(first, nullptr);
    CommandInput input(std::make_unique<testing::FakeDesktop>(),
                       std::move(first));
    bool raised = false;
    input.OnRaise([&] { raised = true; });
    if (!held) start_second();
    PollUntil(input, VK_F7, second);
    const InstanceClaim handed = second.get();
    EXPECT_EQ(handed.server, nullptr) << "both run";
    EXPECT_EQ(handed.exit_code, 0);
    EXPECT_TRUE(raised);
  }
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
  for (int fd = ConnectTo(path_, SOCK_NONBLOCK); fd >= 0 && waiting.size() < 64;
       fd = ConnectTo(path_, SOCK_NONBLOCK)) {
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
      silent.push_back(ConnectTo(path_, SOCK_NONBLOCK));
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
  constexpr int kRuns = 100;
  const std::string tmp = dir_ + "/tmp";
  const std::string fallback =
      tmp + "/scrivlet-runtime-" + std::to_string(geteuid());
  const auto nothing = [] {};
  const auto long_runtime = [&] {
    setenv("XDG_RUNTIME_DIR", long_dir.c_str(), 1);
  };
  const auto no_runtime = [&] {
    fs::create_directory(tmp);
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", tmp.c_str(), 1);
  };
  const auto others_fallback = [&] {
    no_runtime();
    fs::create_directory(fallback);
    EXPECT_EQ(chown(fallback.c_str(), kOtherUser, 0), 0);
  };
  const auto a_file = [this] { std::ofstream(path_) << "a user's file"; };
  const auto others_runtime = [this] {
    EXPECT_EQ(chown(dir_.c_str(), kOtherUser, 0), 0);
  };
  int other_program = -1;
  const auto other_users = [&] {
    // A shared directory open to all, and another user's program in it.
    EXPECT_EQ(chmod(dir_.c_str(), 0777), 0);
    other_program = SocketAt(path_, true);
    EXPECT_EQ(listen(other_program, 1), 0);
    const std::string lock = dir_ + "/scrivlet.lock";
    close(open(lock.c_str(), O_CREAT | O_WRONLY, 0600));
    for (const std::string& path : {path_, lock}) {
      EXPECT_EQ(chown(path.c_str(), kOtherUser + 1, 0), 0);
    }
  };
  const std::array cases{
      Case{"start, nothing running", {"--start"}, nothing, 0, 1},
      Case{"abort, nothing running", {"--abort"}, nothing, 0, 1},
      Case{"both", {"--start", "--abort"}, nothing, 0, 2},
      Case{"no runtime directory: one in TMPDIR", {}, no_runtime, 0, kRuns},
      Case{"TMPDIR's is another user's", {}, others_fallback, 0, 1},
      Case{"runtime path too long", {}, long_runtime, 0, 1},
      Case{"start, runtime path too long", {"--start"}, long_runtime, 0, 1},
      Case{"a file at the socket's path", {}, a_file, 0, 1},
      Case{"another user's runtime directory", {}, others_runtime, 0, 1},
      Case{"another user's program here", {}, other_users, kOtherUser, 1},
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

TEST_F(ChannelTest, TheWindowDrawsOnlyWhileNoOtherDrawingHoldsTheLock) {
  // Another user's runtime directory (sudo -E) gets no lock file of ours.
  ASSERT_EQ(chown(dir_.c_str(), kOtherUser, 0), 0);
  EXPECT_THROW(DrawingLock::TryTake(), PlatformError);
  EXPECT_TRUE(fs::is_empty(dir_));
  ASSERT_EQ(chown(dir_.c_str(), 0, 0), 0);
  auto fake = std::make_unique<testing::FakeDesktop>();
  testing::FakeDesktop& inner = *fake;
  DrawingLockDesktop window(std::move(fake));
  {
    const std::unique_ptr<DrawingLock> command = DrawingLock::TryTake();
    ASSERT_TRUE(command);
    EXPECT_THROW(window.DrawingStarted(), PlatformError);
    EXPECT_EQ(inner.drawings_started, 0);
  }
  window.DrawingStarted();
  EXPECT_EQ(inner.drawings_started, 1);
  EXPECT_EQ(DrawingLock::TryTake(), nullptr) << "the window's drawing holds it";
  window.DrawingEnded();
  EXPECT_NE(DrawingLock::TryTake(), nullptr);
}

}  // namespace
}  // namespace scrivlet
