#pragma once

// A small X client for tests, on its own connection: it records every
// pointer press, release and motion that reaches its windows, and the keys
// pressed in a window it watches; it makes plain windows to focus, stack and
// read back, and moves the pointer.

#include <X11/Xlib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// A pointer event as the tests compare them, "press 3,4": its kind
// (motion, press or release) and its place on the screen.
std::string PointerRecord(const char* kind, ScreenPoint at);

class RecordingClient {
 public:
  RecordingClient();
  RecordingClient(const RecordingClient&) = delete;
  RecordingClient& operator=(const RecordingClient&) = delete;
  RecordingClient(RecordingClient&&) = delete;
  RecordingClient& operator=(RecordingClient&&) = delete;
  ~RecordingClient();

  [[nodiscard]] Display* display() const { return display_; }
  [[nodiscard]] DesktopArea ScreenArea() const;

  // A window over the whole screen, outside the window manager's control,
  // that records pointer events from now on.
  void CoverScreen();
  [[nodiscard]] Window cover() const { return cover_; }
  // Pointer events received so far, after a round trip to the server; the
  // record is cleared.
  std::vector<std::string> TakePointerEvents();

  // A plain window filled with one colour (0xRRGGBB). Managed windows are
  // placed by the window manager; unmanaged ones stay exactly at `rect`.
  // Waits until the window is shown unless `map` is false.
  Window MakeWindow(ScreenRect rect, unsigned long rgb, bool managed,
                    bool map = true);
  // Both throw std::runtime_error if xdotool does not see it done.
  void MapAndWait(Window window);
  // Gives `window` the keyboard focus and records the keys pressed in it.
  void FocusAndWatchKeys(Window window);
  // The symbols of the keys pressed so far, after a round trip to the
  // server; the record is cleared.
  std::vector<KeySym> TakeKeyPresses();

 private:
  void Drain();

  Display* display_ = nullptr;
  Window cover_ = 0;
  std::vector<Window> windows_;
  std::vector<std::string> records_;
  std::vector<KeySym> key_presses_;
};

}  // namespace scrivlet::testing
