#include "wayland_session.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <vector>

#include "child_process.h"

namespace scrivlet::testing {
namespace {

std::map<std::string, std::string> ReadState(const std::string& state_file) {
  std::map<std::string, std::string> values;
  std::ifstream in(state_file);
  for (std::string line; std::getline(in, line);) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) {
      values[line.substr(0, equals)] = line.substr(equals + 1);
    }
  }
  return values;
}

int RunScript(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(),
                   std::string(SCRIVLET_SCRIPTS_DIR) + "/waylandsession.sh");
  return ChildProcess(arguments, {{}, true}).Wait();
}

}  // namespace

void UseWaylandSession(const std::string& state_file) {
  auto values = ReadState(state_file);
  if (values["WAYLAND_DISPLAY"].empty()) {
    throw std::runtime_error("No compositor in the Wayland session file " +
                             state_file +
                             " (did the waylandsession_start fixture run?)");
  }
  setenv("WAYLAND_DISPLAY", values["WAYLAND_DISPLAY"].c_str(), 1);
  setenv("SWAYSOCK", values["SWAYSOCK"].c_str(), 1);
  setenv("XCURSOR_PATH", values["XCURSOR_PATH"].c_str(), 1);
  setenv("XCURSOR_THEME", "scrivlet-transparent", 1);
  setenv("XDG_RUNTIME_DIR", values["SESSION_RUNTIME"].c_str(), 1);
  setenv("SCRIVLET_SESSION_UID", values["SESSION_UID"].c_str(), 1);
  setenv("SCRIVLET_SESSION_GID", values["SESSION_GID"].c_str(), 1);
  // KWin's screenshots are on its own bus; sway's session names none.
  if (!values["DBUS_SESSION_BUS_ADDRESS"].empty()) {
    setenv("DBUS_SESSION_BUS_ADDRESS",
           values["DBUS_SESSION_BUS_ADDRESS"].c_str(), 1);
  }
  unsetenv("DISPLAY");
}

std::vector<std::string> AsSessionUser(std::vector<std::string> command) {
  const char* uid = std::getenv("SCRIVLET_SESSION_UID");
  const char* gid = std::getenv("SCRIVLET_SESSION_GID");
  if (uid == nullptr || *uid == '\0' || gid == nullptr) {
    return command;
  }
  command.insert(command.begin(),
                 {"setpriv", std::string("--reuid=") + uid,
                  std::string("--regid=") + gid, "--clear-groups", "--"});
  return command;
}

void GiveToSessionUser(const std::string& path) {
  const char* uid = std::getenv("SCRIVLET_SESSION_UID");
  const char* gid = std::getenv("SCRIVLET_SESSION_GID");
  if (uid == nullptr || *uid == '\0' || gid == nullptr) {
    return;
  }
  RunToSuccess({"chown", "-R", std::string(uid) + ":" + gid, path});
}

std::string FixtureSessionFile() {
  const char* file = std::getenv("SCRIVLET_WAYLANDSESSION");
  if (file == nullptr || *file == '\0') {
    throw std::runtime_error("SCRIVLET_WAYLANDSESSION is not set");
  }
  return file;
}

void Swaymsg(const std::string& command) {
  const Finished done = RunToEnd({"swaymsg", command});
  if (done.exit_code != 0) {
    throw std::runtime_error("swaymsg " + command + ": " + done.output);
  }
}

std::string MakeTempDir(const std::string& name) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (name + ".XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary directory " + name);
  }
  return pattern;
}

PrivateSway::PrivateSway()
    : dir_(MakeTempDir("scrivlet-sway")), state_file_(dir_ + "/session.env") {
  if (RunScript({"start", state_file_, "640x480"}) != 0) {
    throw std::runtime_error("a private sway did not start");
  }
}

PrivateSway::~PrivateSway() {
  RunScript({"stop", state_file_});
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void PrivateSway::Kill() const {
  const std::string pid = ReadState(state_file_)["SWAY_PID"];
  if (!pid.empty()) {
    kill(static_cast<pid_t>(std::stol(pid)), SIGKILL);
  }
}

}  // namespace scrivlet::testing
