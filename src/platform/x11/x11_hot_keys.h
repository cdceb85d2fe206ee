#pragma once

// F7 and F8 on X11: XInput 2 raw key events on the root window give their
// state whichever window has the focus, and a passive grab of each keeps
// them from the focused program. The backend's connection hands its events
// here; what is not a key event is left to the rest of the backend.

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <cstdint>
#include <vector>

#include "platform/key_latch.h"
#include "platform/x11/x11_errors.h"

namespace scrivlet {

class X11HotKeys {
 public:
  // Finds F7 and F8 on the keyboard map and grabs them; throws
  // PlatformError if the server lacks XInput 2 or the map lacks a key.
  X11HotKeys(Display* display, Window root, X11ErrorCapture& errors);

  // Sets the raw events the keys need in a root window's XInput 2 mask.
  static void AddRawEvents(XIEventMask& mask);
  // Grabs the keys and reads which are held now; after the root window's
  // events have been selected, so that no press falls in between.
  void Start();

  // Takes a key event or an XInput event (any raw event: its data is
  // freed); false for every other event.
  bool Handle(XEvent& event);

  // GetAsyncKeyState's word for F7 or F8; throws PlatformError for another
  // key.
  std::uint16_t Query(int virtual_key);
  // Presses of F7 or F8 seen so far (KeyLatch::Presses).
  [[nodiscard]] int Presses(int virtual_key);

 private:
  struct WatchedKey {
    int virtual_key = 0;
    std::vector<KeyCode> codes;
    KeyLatch latch;
  };

  void Watch(int virtual_key);
  WatchedKey& Watched(int virtual_key);
  void Grab();
  void SeedKeysDown();
  void OnKey(int keycode, bool pressed);

  Display* display_;
  Window root_;
  X11ErrorCapture& errors_;
  int xinput_opcode_ = 0;
  std::vector<WatchedKey> keys_;
};

}  // namespace scrivlet
