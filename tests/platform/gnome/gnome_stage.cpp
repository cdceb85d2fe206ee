#include "gnome_stage.h"

#include <poll.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace scrivlet::testing {

void EnterGnomeSession() {
  const char* file = std::getenv("SCRIVLET_GNOMESESSION");
  if (file == nullptr) {
    throw std::runtime_error(
        "no GNOME test session: run through ctest or "
        "scripts/bench-delivery-gnome.sh (SCRIVLET_GNOMESESSION)");
  }
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const auto equals = line.find('=');
    const std::string key = line.substr(0, equals);
    if (key == "XDG_RUNTIME_DIR" || key == "WAYLAND_DISPLAY" ||
        key == "DBUS_SESSION_BUS_ADDRESS") {
      setenv(key.c_str(), line.substr(equals + 1).c_str(), 1);
    }
  }
}

std::string QtClickRecorder() {
  // exec: the shell becomes the recorder, so that the pid it prints is the
  // process popen waits for, and no shell reports its end.
  return "QT_QPA_PLATFORM=wayland exec " SCRIVLET_CLICK_RECORDER;
}

ClickRecorder::ClickRecorder(const std::string& command)
    : pipe_(popen(command.c_str(), "r")) {
  if (pipe_ != nullptr) {
    pid_ = std::atoi(ReadLine().substr(4).c_str());
  }
}

ClickRecorder::~ClickRecorder() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
  }
  if (pipe_ != nullptr) {
    pclose(pipe_);
  }
}

std::string ClickRecorder::ReadLine(int timeout_ms) {
  std::string line;
  while (pipe_ != nullptr) {
    pollfd ready{fileno(pipe_), POLLIN, 0};
    if (poll(&ready, 1, timeout_ms) <= 0) {
      return {};
    }
    char c = 0;
    if (read(fileno(pipe_), &c, 1) != 1) {
      return {};
    }
    if (c == '\n') {
      return line;
    }
    line += c;
  }
  return {};
}

std::int32_t AbsoluteFor(std::int32_t pixel, std::int32_t extent) {
  return static_cast<std::int32_t>(
      std::nearbyint(static_cast<double>(pixel) * kAbsoluteSpan / extent));
}

bool WaitUntilFullScreen(PlatformInput& desktop, ClickRecorder& recorder) {
  const DesktopArea area = desktop.DesktopBounds();
  for (int tries = 0; tries < 40; ++tries) {
    desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                        AbsoluteFor(10, area.width),
                        AbsoluteFor(10, area.height));
    desktop.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
    desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
    for (std::string line = recorder.ReadLine(250); !line.empty();
         line = recorder.ReadLine(250)) {
      if (line == "release 10 10") {
        return true;
      }
    }
  }
  return false;
}

}  // namespace scrivlet::testing
