// The display check before Qt starts: a list of platforms counts as Qt
// tries it, in turn; a platform that needs no display needs none.

#include "app/display_check.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace scrivlet {
namespace {

TEST(DisplayCheck, FollowsQtsListOfPlatforms) {
  // A compositor's socket that accepts, and no X server.
  std::string dir = "/tmp/scrivlet-display.XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string compositor = dir + "/wayland-test";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  compositor.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  unsetenv("DISPLAY");
  struct Case {
    const char* platform;
    std::string wayland;
    bool found;
  };
  const Case cases[] = {
      {"", compositor, true},
      {"xcb", compositor, false},
      {"xcb;wayland", compositor, true},
      {"wayland;offscreen", "", true},
      {"wayland;xcb", "", false},
  };
  for (const Case& c : cases) {
    setenv("QT_QPA_PLATFORM", c.platform, 1);
    setenv("WAYLAND_DISPLAY", c.wayland.c_str(), 1);
    EXPECT_EQ(MissingDisplay().empty(), c.found) << c.platform << c.wayland;
  }
  close(fd);
  unlink(compositor.c_str());
  rmdir(dir.c_str());
}

}  // namespace
}  // namespace scrivlet
