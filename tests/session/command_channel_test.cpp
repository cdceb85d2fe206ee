// The command channel: commands act as F7 and F8 taps only when a key
// would (no key stays pressed), bad messages are answered and change
// nothing, the socket is private, a stale one is replaced, and a second
// start hands over to the first.

#include "session/command_channel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

#include "fake_desktop.h"
#include "session/command_input.h"
#include "session/instance_claim.h"

namespace scrivlet {
namespace {

class ChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "scrivlet-channel.XXXXXX")
            .string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/scrivlet.sock";
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Sends raw bytes and returns the answer line, while `input` is polled
  // for `key` as the window or a plotter would.
  static std::string Exchange(const std::string& path, const std::string& bytes,
                              PlatformInput& input, int key,
                              std::uint16_t* seen) {
    auto reply = std::async(std::launch::async, [&] {
      const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      path.copy(address.sun_path, sizeof address.sun_path - 1);
      if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) !=
          0) {
        close(fd);
        return std::string("no connection");
      }
      (void)send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      std::array<char, 64> buffer{};
      const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
      close(fd);
      return std::string(buffer.data(),
                         got > 0 ? static_cast<std::size_t>(got) : 0);
    });
    *seen = 0;
    while (reply.wait_for(std::chrono::milliseconds(2)) !=
           std::future_status::ready) {
      *seen |= input.GetAsyncKeyState(key);
    }
    *seen |= input.GetAsyncKeyState(key);
    return reply.get();
  }

  std::string dir_;
  std::string path_;
};

TEST_F(ChannelTest, MessagesReachTheKeysAndBadOnesChangeNothing) {
  struct Case {
    const char* name;
    std::string bytes;
    int polled;  // F7: the idle window; F8: a drawing
    std::string answer;
    std::uint16_t seen;
  };
  const std::array cases{
      Case{"start", "start\n", VK_F7, "started\n", kFreshKeyPress},
      Case{"abort during a drawing", "abort\n", VK_F8, "aborted\n",
           kFreshKeyPress},
      Case{"start during a drawing", "start\n", VK_F8, "busy\n", 0},
      Case{"abort while idle", "abort\n", VK_F7, "idle\n", 0},
      Case{"raise", "raise\n", VK_F7, "raised\n", 0},
      Case{"unknown word", "draw\n", VK_F7, "bad-message\n", 0},
      Case{"no newline", "start", VK_F7, "bad-message\n", 0},
      Case{"two commands in one", "start\nabort\n", VK_F8, "bad-message\n", 0},
      Case{"too long", std::string(200, 's') + "\n", VK_F7, "bad-message\n", 0},
      Case{"binary", std::string("\0start\n", 7), VK_F7, "bad-message\n", 0},
  };
  for (const Case& c : cases) {
    auto server = CommandServer::Listen(path_);
    ASSERT_NE(server, nullptr);
    CommandInput input(std::make_unique<testing::FakeDesktop>(),
                       std::move(server));
    std::uint16_t seen = 0;
    EXPECT_EQ(Exchange(path_, c.bytes, input, c.polled, &seen), c.answer)
        << c.name;
    EXPECT_EQ(seen, c.seen) << c.name;
    EXPECT_EQ(input.GetAsyncKeyState(VK_F7) | input.GetAsyncKeyState(VK_F8), 0)
        << c.name << ": a key stayed pressed";
  }
}

TEST_F(ChannelTest, SocketIsPrivateAndAStaleOneIsReplaced) {
  {
    // A program that crashed left its socket behind: nobody answers there.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address),
              0);
    close(fd);
  }
  EXPECT_EQ(SendCommand(path_, Command::Start).result, SendResult::NotRunning);
  auto server = CommandServer::Listen(path_);
  ASSERT_NE(server, nullptr);
  struct stat info {};
  ASSERT_EQ(stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600U);
  // While it runs, a second program finds it instead of taking over.
  EXPECT_EQ(CommandServer::Listen(path_), nullptr);
  server.reset();
  EXPECT_FALSE(std::filesystem::exists(path_)) << "socket left on exit";
}

TEST_F(ChannelTest, SomethingElseAtThePathIsNamedNotDeleted) {
  std::ofstream(path_) << "a user's file";
  EXPECT_THROW(CommandServer::Listen(path_), PlatformError);
  EXPECT_TRUE(std::filesystem::exists(path_));
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
  while (second.wait_for(std::chrono::milliseconds(2)) !=
         std::future_status::ready) {
    input.GetAsyncKeyState(VK_F7);
  }
  const InstanceClaim handed = second.get();
  EXPECT_EQ(handed.exit_code, 0);
  EXPECT_EQ(handed.server, nullptr);
  EXPECT_TRUE(raised);
}

TEST_F(ChannelTest, CommandLineWithoutARunningProgramOrWithBothCommands) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    int exit_code;
  };
  const std::array cases{
      Case{"start, nothing running", {"--start"}, 1},
      Case{"abort, nothing running", {"--abort"}, 1},
      Case{"both", {"--start", "--abort"}, 2},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv{const_cast<char*>("scrivlet")};
    for (const std::string& argument : c.arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    const InstanceClaim claim =
        ClaimInstance(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(claim.exit_code, c.exit_code) << c.name;
    EXPECT_FALSE(std::filesystem::exists(path_)) << c.name;
  }
}

}  // namespace
}  // namespace scrivlet
