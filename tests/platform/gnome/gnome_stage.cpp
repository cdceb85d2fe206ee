#include "gnome_stage.h"

#include <chrono>

#include "dot_pattern.h"
#include "engine/plotter.h"
#include "fake_picture.h"
#include "stroke_ink.h"

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

std::string StrokeFaults(PlatformInput& desktop, ClickRecorder& recorder,
                         ScreenPoint corner) {
  // Runs along the rows: a long one, dots, a run to the picture's edge.
  const FakePicture picture({"####.#", "#.....", "#.####"});
  DrawSettings settings{1, 5, 200, kFalse};
  settings.Strokes = true;
  const DesktopArea area = desktop.DesktopBounds();
  desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                      EngineCoordinate(corner.x - area.left, area.width),
                      EngineCoordinate(corner.y - area.top, area.height));
  // The pointer is read from the screen, which shows it a frame later.
  PollFor(
      [&] {
        try {
          return desktop.GetCursorPos() == corner;
        } catch (const PlatformError&) {
          return false;
        }
      },
      std::chrono::seconds(5), std::chrono::milliseconds(20));
  desktop.DrawingStarted();
  DrawAbsolute(desktop, picture, settings);
  desktop.DrawingEnded();
  const CanvasCheck ink = CheckWhenLanded(
      [&](ScreenRect rect) { return desktop.CaptureScreenRegion(rect); },
      ExpectedInk(picture, settings, PlotMode::Absolute, corner), 0xFFFFFF, 4);
  int held = 0;
  for (std::string line = recorder.ReadLine(); !line.empty();
       line = recorder.ReadLine(500)) {
    held += line.starts_with("press")     ? 1
            : line.starts_with("release") ? -1
                                          : 0;
    if (held != 0 && held != 1) return "two presses or releases in a row";
  }
  if (held != 0) return "the button was left down";
  if (ink.landed != ink.expected) return "missing: " + Describe(ink.missing);
  if (ink.stray != 0) return "stray: " + Describe(ink.strays);
  return "";
}

}  // namespace scrivlet::testing
