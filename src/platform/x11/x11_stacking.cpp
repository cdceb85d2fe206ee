#include "platform/x11/x11_stacking.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

Atom Intern(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

void RequireWindowManagerSupport(Display* display, Window root, Atom above) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(
      display, root, Intern(display, "_NET_SUPPORTED"), 0, 4096, False, XA_ATOM,
      &type, &format, &count, &remaining, &data);
  bool supported = false;
  if (status == Success && data != nullptr && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    supported = std::find(atoms, atoms + count, above) != atoms + count;
  }
  if (data != nullptr) {
    XFree(data);
  }
  if (!supported) {
    throw PlatformError(
        "The window manager cannot keep a window on top: it does not "
        "support _NET_WM_STATE_ABOVE (no EWMH window manager running?).");
  }
}

void SetStateProperty(Display* display, Window window, Atom state, Atom above,
                      bool topmost) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::vector<Atom> atoms;
  if (XGetWindowProperty(display, window, state, 0, 1024, False, XA_ATOM, &type,
                         &format, &count, &remaining, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* existing = reinterpret_cast<const Atom*>(data);
    atoms.assign(existing, existing + count);
  }
  if (data != nullptr) {
    XFree(data);
  }
  atoms.erase(std::remove(atoms.begin(), atoms.end(), above), atoms.end());
  if (topmost) {
    atoms.push_back(above);
  }
  XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(atoms.data()),
                  static_cast<int>(atoms.size()));
}

}  // namespace

void SetStackingBand(Display* display, Window root, X11ErrorCapture& errors,
                     NativeWindow window, ZOrder order) {
  const Atom state = Intern(display, "_NET_WM_STATE");
  const Atom above = Intern(display, "_NET_WM_STATE_ABOVE");
  RequireWindowManagerSupport(display, root, above);

  errors.SyncAndClear();
  XWindowAttributes attributes{};
  const Status found =
      XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
  if (found == 0 || errors.SyncAndTakeError()) {
    throw PlatformError("Cannot change the stacking of window " +
                        std::to_string(window) + ": no such window.");
  }
  const bool topmost = order == ZOrder::Topmost;
  if (attributes.map_state == IsUnmapped) {
    // A window manager reads the state of a window that is not mapped from
    // its property when it is mapped; client messages are for mapped
    // windows only.
    SetStateProperty(display, static_cast<Window>(window), state, above,
                     topmost);
  } else {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = static_cast<Window>(window);
    message.xclient.message_type = state;
    message.xclient.format = 32;
    message.xclient.data.l[0] = topmost ? 1 : 0;  // _NET_WM_STATE_ADD/REMOVE
    message.xclient.data.l[1] = static_cast<long>(above);
    message.xclient.data.l[2] = 0;
    message.xclient.data.l[3] = 1;  // source: a normal application
    XSendEvent(display, root, False,
               SubstructureRedirectMask | SubstructureNotifyMask, &message);
  }
  if (auto error = errors.SyncAndTakeError()) {
    throw PlatformError("Cannot change the stacking of window " +
                        std::to_string(window) + ": " + *error);
  }
}

}  // namespace scrivlet
