#include "private_bus.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace scrivlet::testing {
namespace {

std::string ReadLine(std::FILE* from) {
  std::string line;
  for (int c = std::fgetc(from); c != EOF && c != '\n'; c = std::fgetc(from)) {
    line += static_cast<char>(c);
  }
  return line;
}

}  // namespace

PrivateBus::PrivateBus() {
  // --fork: the daemon runs on after the pipe closes, and tells its pid.
  struct Close {
    void operator()(std::FILE* pipe) const { pclose(pipe); }
  };
  const std::unique_ptr<std::FILE, Close> pipe(popen(
      "dbus-daemon --session --fork --print-address=1 --print-pid=1", "r"));
  if (!pipe) {
    throw std::runtime_error("cannot run dbus-daemon");
  }
  const std::string address = ReadLine(pipe.get());
  pid_ = static_cast<pid_t>(std::atoi(ReadLine(pipe.get()).c_str()));
  if (address.empty() || pid_ <= 0) {
    throw std::runtime_error("dbus-daemon did not start (is dbus installed?)");
  }
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

PrivateBus::~PrivateBus() {
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  kill(pid_, SIGTERM);
}

}  // namespace scrivlet::testing
