#pragma once

// Reading the screen back on KDE Plasma: KWin's org.kde.KWin.ScreenShot2
// D-Bus interface. KWin serves it only to a program whose installed desktop
// entry declares X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
// (matched, as the fake input is, by the full path in Exec=). The image
// comes raw through a pipe that the caller hands over with the call.

#include <cstdint>
#include <vector>

#include "platform/dbus/session_bus.h"
#include "platform/platform_input.h"
#include "platform/shm_frame.h"

namespace scrivlet {

// One capture: the frame's description and the bytes it points into.
struct KwinCapture {
  ShmFrame frame;
  std::vector<std::uint8_t> bytes;
};

class KwinScreenshot {
 public:
  // Connects to the session bus; throws PlatformError when there is none.
  KwinScreenshot() = default;

  // The pixels of `area` (global logical pixels, not empty). Throws
  // PlatformError naming the reason: no such interface, refused, a format
  // that cannot be read, or no answer in time.
  KwinCapture CaptureArea(ScreenRect area);

 private:
  SessionBus bus_;
};

}  // namespace scrivlet
