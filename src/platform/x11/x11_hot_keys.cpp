#include "platform/x11/x11_hot_keys.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/platform_input.h"

namespace scrivlet {
namespace {

// Returns the XInput major opcode, which tags XInput's generic events.
int RequireXInput2(Display* display) {
  int opcode = 0;
  int event_base = 0;
  int error_base = 0;
  const char* name = std::getenv("DISPLAY");
  const std::string missing =
      "The X server \"" + std::string(name != nullptr ? name : "") +
      "\" lacks XInput 2, which Scrivlet needs to see F7 and F8 pressed "
      "while another window has the focus.";
  if (XQueryExtension(display, "XInputExtension", &opcode, &event_base,
                      &error_base) == False) {
    throw PlatformError(missing);
  }
  // Raw events reach the root window even while another client holds a
  // grab only from XInput 2.1 on; ask for 2.2 and accept any 2.x.
  int major = 2;
  int minor = 2;
  if (XIQueryVersion(display, &major, &minor) != Success || major < 2) {
    throw PlatformError(missing);
  }
  return opcode;
}

KeySym KeySymOf(int virtual_key) {
  switch (virtual_key) {
    case VK_F7:
      return XK_F7;
    case VK_F8:
      return XK_F8;
    default:
      return NoSymbol;
  }
}

// Every keycode whose unshifted symbol is `symbol`: a keyboard map may give
// one symbol to several keys.
std::vector<KeyCode> KeycodesOf(Display* display, KeySym symbol) {
  int min_code = 0;
  int max_code = 0;
  XDisplayKeycodes(display, &min_code, &max_code);
  std::vector<KeyCode> codes;
  for (int code = min_code; code <= max_code; ++code) {
    if (XkbKeycodeToKeysym(display, static_cast<KeyCode>(code), 0, 0) ==
        symbol) {
      codes.push_back(static_cast<KeyCode>(code));
    }
  }
  return codes;
}

}  // namespace

X11HotKeys::X11HotKeys(Display* display, Window root, X11ErrorCapture& errors)
    : display_(display),
      root_(root),
      errors_(errors),
      xinput_opcode_(RequireXInput2(display)) {
  Watch(VK_F7);
  Watch(VK_F8);
}

void X11HotKeys::AddRawEvents(XIEventMask& mask) {
  // Raw key events are sent to the root window whichever window has the
  // focus, and one arrives for every press and release, however short:
  // polling the keymap would miss a tap between two timer ticks.
  XISetMask(mask.mask, XI_RawKeyPress);
  XISetMask(mask.mask, XI_RawKeyRelease);
}

void X11HotKeys::Start() {
  Grab();
  SeedKeysDown();
}

bool X11HotKeys::Handle(XEvent& event) {
  // While one of our grabs is active the server sends its raw events to
  // other clients only; the grab's own key events stand in.
  if (event.type == KeyPress || event.type == KeyRelease) {
    OnKey(static_cast<int>(event.xkey.keycode), event.type == KeyPress);
    return true;
  }
  XGenericEventCookie& cookie = event.xcookie;
  if (cookie.type != GenericEvent || cookie.extension != xinput_opcode_) {
    return false;
  }
  if (XGetEventData(display_, &cookie) == False) {
    return true;
  }
  if (cookie.evtype == XI_RawKeyPress || cookie.evtype == XI_RawKeyRelease) {
    const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
    OnKey(raw->detail, cookie.evtype == XI_RawKeyPress);
  }
  XFreeEventData(display_, &cookie);
  return true;
}

std::uint16_t X11HotKeys::Query(int virtual_key) {
  return Watched(virtual_key).latch.Query();
}

int X11HotKeys::Presses(int virtual_key) {
  return Watched(virtual_key).latch.Presses();
}

void X11HotKeys::Watch(int virtual_key) {
  WatchedKey key;
  key.virtual_key = virtual_key;
  key.codes = KeycodesOf(display_, KeySymOf(virtual_key));
  if (key.codes.empty()) {
    throw PlatformError(
        std::string("The keyboard map of the X server has no ") +
        XKeysymToString(KeySymOf(virtual_key)) +
        " key, which Scrivlet needs as a hot key.");
  }
  keys_.push_back(std::move(key));
}

X11HotKeys::WatchedKey& X11HotKeys::Watched(int virtual_key) {
  const auto found = std::find_if(
      keys_.begin(), keys_.end(),
      [&](const WatchedKey& key) { return key.virtual_key == virtual_key; });
  if (found == keys_.end()) {
    throw PlatformError("The X11 desktop watches only F7 and F8, not key " +
                        std::to_string(virtual_key) + ".");
  }
  return *found;
}

// Grabbed on the root window, F7 and F8 go to this connection only, not to
// the focused program, which may have its own use for them (mtpaint hides
// its palette on F8, moving the canvas mid-drawing). The key state still
// comes from the raw events, and from the grab's key events while it is
// active. A grab is made for each lock state, since a grab matches the
// modifiers exactly. Another client's grab (BadAccess) leaves that key
// shared; drawing works on.
void X11HotKeys::Grab() {
  // A held key then repeats as presses alone, which the latch takes for
  // what they are, not as release and press pairs.
  XkbSetDetectableAutoRepeat(display_, True, nullptr);
  std::vector<unsigned int> modifiers = {0, LockMask};
  const unsigned int num_lock = XkbKeysymToModifiers(display_, XK_Num_Lock);
  if (num_lock != 0 && num_lock != LockMask) {
    modifiers.push_back(num_lock);
    modifiers.push_back(num_lock | LockMask);
  }
  std::string shared;
  for (const WatchedKey& key : keys_) {
    errors_.SyncAndClear();
    for (const KeyCode code : key.codes) {
      for (const unsigned int mask : modifiers) {
        XGrabKey(display_, code, mask, root_, False, GrabModeAsync,
                 GrabModeAsync);
      }
    }
    if (!errors_.SyncAndTakeError()) {
      continue;
    }
    // Part of the key's grabs may have been made; none or all is clearer.
    for (const KeyCode code : key.codes) {
      for (const unsigned int mask : modifiers) {
        XUngrabKey(display_, code, mask, root_);
      }
    }
    errors_.SyncAndClear();
    shared += shared.empty() ? "" : " and ";
    shared += XKeysymToString(KeySymOf(key.virtual_key));
  }
  if (!shared.empty()) {
    std::cerr << "Scrivlet: another program has reserved " << shared
              << "; the key still works here, but also reaches the window "
                 "that has the focus.\n";
  }
}

// A hot key already held when the desktop opens is down, but was not
// pressed since a query.
void X11HotKeys::SeedKeysDown() {
  std::array<char, 32> keymap{};
  XQueryKeymap(display_, keymap.data());
  for (WatchedKey& key : keys_) {
    const bool down =
        std::any_of(key.codes.begin(), key.codes.end(), [&](KeyCode code) {
          const auto byte = static_cast<unsigned char>(keymap.at(code / 8));
          return ((byte >> (code % 8)) & 1U) != 0;
        });
    key.latch.SetDown(down);
  }
}

void X11HotKeys::OnKey(int keycode, bool pressed) {
  for (WatchedKey& key : keys_) {
    if (std::find(key.codes.begin(), key.codes.end(), keycode) ==
        key.codes.end()) {
      continue;
    }
    if (pressed) {
      key.latch.Press();
    } else {
      key.latch.Release();
    }
  }
}

}  // namespace scrivlet
