#include "gnome_stage.h"

#include <chrono>

namespace scrivlet::testing {

std::string QtClickRecorder() {
  return "QT_QPA_PLATFORM=wayland exec " SCRIVLET_CLICK_RECORDER;
}

ClickRecorder::ClickRecorder(const std::string& command)
    : process_({"/bin/sh", "-c", command}, {{}, false, true}) {
  ReadLine();  // its pid, which the process is already known by
}

std::string ClickRecorder::ReadLine(int timeout_ms) {
  return process_.ReadLine(std::chrono::milliseconds(timeout_ms))
      .value_or(std::string());
}

bool WaitUntilFullScreen(PlatformInput& desktop, ClickRecorder& recorder) {
  const DesktopArea area = desktop.DesktopBounds();
  for (int tries = 0; tries < 40; ++tries) {
    desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                        EngineCoordinate(10, area.width),
                        EngineCoordinate(10, area.height));
    desktop.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
    desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
    // Taken by mutter before the wait starts: a click still in flight
    // would land after the one this returns on.
    desktop.Flush();
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
