#pragma once

// Xlib reports protocol errors asynchronously to one process-wide handler,
// and the default handler ends the process. The backend's connection gets a
// handler that records its errors instead, so that a bad window id or a
// failed read becomes a PlatformError or an empty result, not an exit.
// Errors of other connections (the window toolkit's) go on to the handler
// that was installed before.

#include <X11/Xlib.h>

#include <optional>
#include <string>

namespace scrivlet {

class X11ErrorCapture {
 public:
  explicit X11ErrorCapture(Display* display);
  X11ErrorCapture(const X11ErrorCapture&) = delete;
  X11ErrorCapture& operator=(const X11ErrorCapture&) = delete;
  X11ErrorCapture(X11ErrorCapture&&) = delete;
  X11ErrorCapture& operator=(X11ErrorCapture&&) = delete;
  ~X11ErrorCapture();

  // Waits until the server has answered every request sent so far and
  // returns the description of the first error among them, if any; the
  // record is cleared.
  std::optional<std::string> SyncAndTakeError();

  // Forgets any error recorded so far, after a sync.
  void SyncAndClear();

 private:
  Display* display_;
};

}  // namespace scrivlet
