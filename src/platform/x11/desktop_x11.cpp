// The X11 desktop: XTest injects the pointer events, XInput 2 raw key events
// on the root window give the global key state, F7 and F8 are grabbed so
// that they reach Scrivlet only, and the root window is read back for
// colours; DAMAGE on the root window says when something was drawn, so
// that delivery looks at the screen right after a target painted. The
// backend keeps its own Display connection, apart from the
// window toolkit's, so its requests and events never mix with the GUI's.

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/key_latch.h"
#include "platform/mouse_flags.h"
#include "platform/x11/x11_errors.h"

namespace scrivlet {
namespace {

constexpr unsigned int kLeftButton = 1;
// How long a release may wait for a window manager's grab to let go; one
// that never does (a stuck grab) must not stop the drawing.
constexpr std::chrono::milliseconds kReleaseTakenTimeout{50};

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

std::string DisplayName() {
  const char* name = std::getenv("DISPLAY");
  return name != nullptr ? name : "";
}

DisplayHandle OpenDisplayOrThrow() {
  const std::string name = DisplayName();
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    throw PlatformError(
        name.empty()
            ? "No X display: DISPLAY is not set. Scrivlet draws through X11 "
              "and needs an X11 session (a Wayland-only session has none)."
            : "Cannot open the X display \"" + name +
                  "\". Scrivlet draws through X11 and needs a running X11 "
                  "session it may connect to.");
  }
  return DisplayHandle(display);
}

void RequireXTest(Display* display) {
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (XTestQueryExtension(display, &event_base, &error_base, &major, &minor) ==
      False) {
    throw PlatformError("The X server \"" + DisplayName() +
                        "\" lacks the XTEST extension, which Scrivlet needs "
                        "to move the pointer and click.");
  }
}

// Returns the XInput major opcode, which tags XInput's generic events.
int RequireXInput2(Display* display) {
  int opcode = 0;
  int event_base = 0;
  int error_base = 0;
  const std::string missing =
      "The X server \"" + DisplayName() +
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

struct WatchedKey {
  int virtual_key = 0;
  std::vector<KeyCode> codes;
  KeyLatch latch;
};

// One colour channel of a TrueColor pixel, scaled to 0..255.
std::uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  const int shift = std::countr_zero(mask);
  const unsigned long max = mask >> shift;
  const unsigned long value = (pixel & mask) >> shift;
  return static_cast<std::uint32_t>((value * 255 + max / 2) / max);
}

class X11Desktop final : public PlatformInput {
 public:
  X11Desktop()
      : display_(OpenDisplayOrThrow()),
        errors_(display_.get()),
        root_(DefaultRootWindow(display_.get())) {
    RequireXTest(display_.get());
    xinput_opcode_ = RequireXInput2(display_.get());
    WatchKey(VK_F7);
    WatchKey(VK_F8);
    SelectRootEvents();
    GrabHotKeys();
    SeedKeysDown();
    WatchDrawing();
    bounds_ = ReadRootSize();
    XSync(display_.get(), False);
  }

  ScreenPoint GetCursorPos() override { return QueryPointer().at; }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    const MouseFlags mouse = DecodeMouseFlags(flags);
    Display* display = display_.get();
    if (mouse.move) {
      if (mouse.absolute) {
        const ScreenPoint target = AbsoluteToScreen(dx, dy, bounds_);
        XTestFakeMotionEvent(display, DefaultScreen(display), target.x,
                             target.y, CurrentTime);
      } else {
        // XTest's relative motion bypasses pointer acceleration, so the
        // pointer moves by exactly (dx, dy) pixels, clipped at the edges.
        XTestFakeRelativeMotionEvent(display, dx, dy, CurrentTime);
      }
    }
    if (mouse.press) {
      XTestFakeButtonEvent(display, kLeftButton, True, CurrentTime);
    }
    if (mouse.release) {
      XTestFakeButtonEvent(display, kLeftButton, False, CurrentTime);
      AwaitReleaseTaken();
      return;
    }
    // Xlib buffers requests; send them now so the event reaches the desktop
    // in call order without waiting for the next reply.
    XFlush(display);
  }

  struct PointerState {
    ScreenPoint at;
    unsigned int buttons = 0;  // the core button and modifier mask
  };
  PointerState QueryPointer() {
    Window root_return = 0;
    Window child = 0;
    int root_x = 0;
    int root_y = 0;
    int win_x = 0;
    int win_y = 0;
    unsigned int mask = 0;
    XQueryPointer(display_.get(), root_, &root_return, &child, &root_x, &root_y,
                  &win_x, &win_y, &mask);
    return {{root_x, root_y}, mask};
  }

  // Window managers that raise a window on a click (openbox, by default)
  // grab the button passively in synchronous mode: the press freezes the
  // pointer until the window manager has looked at it and replays it to
  // the window. Clicks sent meanwhile are queued behind the freeze, and the
  // server hands them on at the pointer's latest position: they all land
  // on the last dot sent. While frozen, the server has not applied the
  // queued release, so the button still reads as down: the next click
  // waits for it to read up. Without such a grab the first query already
  // says so. Between queries the wait sleeps until the server sends
  // something, such as the release's raw event, or 0.5 ms: asking over and
  // over would take the server's time from the window manager. A button
  // held down by someone else (the user's own mouse) never reads up: after
  // one wait has run out, the next ones only look, until the button reads
  // up again.
  void AwaitReleaseTaken() {
    Display* display = display_.get();
    const auto give_up = std::chrono::steady_clock::now() +
                         (release_wait_ran_out_ ? std::chrono::milliseconds(0)
                                                : kReleaseTakenTimeout);
    for (;;) {
      if ((QueryPointer().buttons & Button1Mask) == 0) {
        release_wait_ran_out_ = false;
        return;
      }
      if (std::chrono::steady_clock::now() >= give_up) {
        release_wait_ran_out_ = true;
        return;
      }
      if (XPending(display) == 0) {
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        const timespec wait{0, 500'000};
        ppoll(&connection, 1, &wait, nullptr);
      }
      PumpEvents();
    }
  }

  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    WatchedKey& key = Watched(virtual_key);
    PumpEvents();
    return key.latch.Query();
  }

  DesktopArea DesktopBounds() override {
    PumpEvents();
    return bounds_;
  }

  void SetWindowPos(NativeWindow window, ZOrder order) override {
    Display* display = display_.get();
    const Atom state = Intern("_NET_WM_STATE");
    const Atom above = Intern("_NET_WM_STATE_ABOVE");
    RequireWindowManagerSupport(above);

    errors_.SyncAndClear();
    XWindowAttributes attributes{};
    const Status found =
        XGetWindowAttributes(display, static_cast<Window>(window), &attributes);
    if (found == 0 || errors_.SyncAndTakeError()) {
      throw PlatformError("Cannot change the stacking of window " +
                          std::to_string(window) + ": no such window.");
    }
    const bool topmost = order == ZOrder::Topmost;
    if (attributes.map_state == IsUnmapped) {
      // A window manager reads the state of a window that is not mapped
      // from its property when it is mapped; client messages are for
      // mapped windows only.
      SetStateProperty(static_cast<Window>(window), state, above, topmost);
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
      XSendEvent(display, root_, False,
                 SubstructureRedirectMask | SubstructureNotifyMask, &message);
    }
    if (auto error = errors_.SyncAndTakeError()) {
      throw PlatformError("Cannot change the stacking of window " +
                          std::to_string(window) + ": " + *error);
    }
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    if (at.x < bounds_.left || at.y < bounds_.top ||
        at.x >= bounds_.left + bounds_.width ||
        at.y >= bounds_.top + bounds_.height) {
      return std::nullopt;
    }
    // Reading the root window gives what the screen shows there, whichever
    // window it belongs to. The X server hides a software cursor from reads,
    // so the pointer itself never shows up in the colour.
    RearmDamage();
    XImage* image =
        XGetImage(display_.get(), root_, at.x, at.y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
      errors_.SyncAndClear();
      return std::nullopt;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return ToColorref(pixel);
  }

  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    // Only the part on the screen is read; the rest stays unreadable.
    ScreenImage image = UnreadScreenImage(area);
    const ScreenRect on_screen = ClipToDesktop(area, bounds_);
    if (image.pixels.empty() || on_screen.width == 0 || on_screen.height == 0) {
      return image;
    }
    const std::int32_t left = on_screen.left;
    const std::int32_t top = on_screen.top;
    const std::int32_t right = left + on_screen.width;
    const std::int32_t bottom = top + on_screen.height;
    // One request for the whole rectangle: a pixel at a time costs a round
    // trip to the server each.
    RearmDamage();
    XImage* shot = XGetImage(
        display_.get(), root_, left, top, static_cast<unsigned>(right - left),
        static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
    if (shot == nullptr) {
      errors_.SyncAndClear();
      return image;
    }
    for (std::int32_t y = top; y < bottom; ++y) {
      for (std::int32_t x = left; x < right; ++x) {
        image.pixels[static_cast<std::size_t>(y - area.top) *
                         static_cast<std::size_t>(area.width) +
                     static_cast<std::size_t>(x - area.left)] =
            ToColorref(XGetPixel(shot, x - left, y - top));
      }
    }
    XDestroyImage(shot);
    return image;
  }

  void Flush() override { XSync(display_.get(), False); }

  bool ReportsScreenChanges() override { return damage_ != 0; }

  // DAMAGE says that something was drawn, not where: any drawing counts.
  bool WaitForScreenChange(ScreenRect /*area*/,
                           std::chrono::microseconds timeout) override {
    Display* display = display_.get();
    XFlush(display);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      PumpEvents();
      if (damage_ == 0 || damaged_) {
        // Without DAMAGE the screen may always have changed.
        return true;
      }
      const auto left = deadline - std::chrono::steady_clock::now();
      if (left <= decltype(left)::zero()) {
        return false;
      }
      // Xlib has no timed wait: PumpEvents emptied its queue, so the
      // connection's socket becoming readable means a new event.
      const auto nanoseconds =
          std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      const timespec wait{static_cast<time_t>(nanoseconds / 1'000'000'000),
                          static_cast<long>(nanoseconds % 1'000'000'000)};
      pollfd connection{ConnectionNumber(display), POLLIN, 0};
      ppoll(&connection, 1, &wait, nullptr);
    }
  }

 private:
  void WatchKey(int virtual_key) {
    WatchedKey key;
    key.virtual_key = virtual_key;
    key.codes = KeycodesOf(display_.get(), KeySymOf(virtual_key));
    if (key.codes.empty()) {
      throw PlatformError(
          std::string("The keyboard map of the X server has no ") +
          XKeysymToString(KeySymOf(virtual_key)) +
          " key, which Scrivlet needs as a hot key.");
    }
    keys_.push_back(std::move(key));
  }

  WatchedKey& Watched(int virtual_key) {
    const auto found = std::find_if(
        keys_.begin(), keys_.end(),
        [&](const WatchedKey& key) { return key.virtual_key == virtual_key; });
    if (found == keys_.end()) {
      throw PlatformError("The X11 desktop watches only F7 and F8, not key " +
                          std::to_string(virtual_key) + ".");
    }
    return *found;
  }

  void SelectRootEvents() {
    // Raw key events are sent to the root window whichever window has the
    // focus, and one arrives for every press and release, however short:
    // polling the keymap would miss a tap between two timer ticks.
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> mask_bits{};
    XIEventMask mask{};
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = static_cast<int>(mask_bits.size());
    mask.mask = mask_bits.data();
    XISetMask(mask.mask, XI_RawKeyPress);
    XISetMask(mask.mask, XI_RawKeyRelease);
    // Wakes a release waiting for the server to apply it (see
    // AwaitReleaseTaken).
    XISetMask(mask.mask, XI_RawButtonRelease);
    XISelectEvents(display_.get(), root_, &mask, 1);
    // The root window is resized when monitors change (RandR); its
    // ConfigureNotify keeps the absolute-coordinate span current.
    XSelectInput(display_.get(), root_, StructureNotifyMask);
    if (auto error = errors_.SyncAndTakeError()) {
      throw PlatformError("The X server refused to report key presses: " +
                          *error);
    }
  }

  // Grabbed on the root window, F7 and F8 go to this connection only, not
  // to the focused program, which may have its own use for them (mtpaint
  // hides its palette on F8, moving the canvas mid-drawing). The key state
  // still comes from the raw events, and from the grab's key events while
  // it is active. A grab is made for each lock state, since a grab matches
  // the modifiers exactly. Another client's grab (BadAccess) leaves that key
  // shared; drawing works on.
  void GrabHotKeys() {
    Display* display = display_.get();
    // A held key then repeats as presses alone, which the latch takes for
    // what they are, not as release and press pairs.
    XkbSetDetectableAutoRepeat(display, True, nullptr);
    std::vector<unsigned int> modifiers = {0, LockMask};
    const unsigned int num_lock = XkbKeysymToModifiers(display, XK_Num_Lock);
    if (num_lock != 0 && num_lock != LockMask) {
      modifiers.push_back(num_lock);
      modifiers.push_back(num_lock | LockMask);
    }
    std::string shared;
    for (const WatchedKey& key : keys_) {
      errors_.SyncAndClear();
      for (const KeyCode code : key.codes) {
        for (const unsigned int mask : modifiers) {
          XGrabKey(display, code, mask, root_, False, GrabModeAsync,
                   GrabModeAsync);
        }
      }
      if (!errors_.SyncAndTakeError()) {
        continue;
      }
      // Part of the key's grabs may have been made; none or all is clearer.
      for (const KeyCode code : key.codes) {
        for (const unsigned int mask : modifiers) {
          XUngrabKey(display, code, mask, root_);
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
  void SeedKeysDown() {
    std::array<char, 32> keymap{};
    XQueryKeymap(display_.get(), keymap.data());
    for (WatchedKey& key : keys_) {
      const bool down =
          std::any_of(key.codes.begin(), key.codes.end(), [&](KeyCode code) {
            const auto byte = static_cast<unsigned char>(keymap.at(code / 8));
            return ((byte >> (code % 8)) & 1U) != 0;
          });
      key.latch.SetDown(down);
    }
  }

  // DAMAGE on the root window reports drawing anywhere on a screen that is
  // not composited: windows there draw straight into the root's pixels.
  // Under a compositor it reports the composited output. It is reported
  // once until re-armed (DamageReportNonEmpty), which each read of the
  // screen does, so a busy screen wakes delivery at most once per read.
  // (Reports of each growing box, DamageReportBoundingBox, would tell
  // where, but with them Xlib lost track of the connection's sequence
  // numbers within a drawing on Xvfb.) A server without DAMAGE leaves
  // delivery on its timer.
  void WatchDrawing() {
    int error_base = 0;
    if (XDamageQueryExtension(display_.get(), &damage_event_base_,
                              &error_base) == False) {
      return;
    }
    damage_ = XDamageCreate(display_.get(), root_, XDamageReportNonEmpty);
    if (errors_.SyncAndTakeError()) {
      damage_ = 0;
    }
  }

  // Forgets the drawing reported so far, just before a read of the screen
  // shows its result. A report queued before the read's reply may still
  // arrive; its serial, older than the read's, marks it as stale.
  void RearmDamage() {
    if (damage_ == 0) {
      return;
    }
    XDamageSubtract(display_.get(), damage_, None, None);
    damaged_ = false;
    fresh_serial_ = NextRequest(display_.get());
  }

  DesktopArea ReadRootSize() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_.get(), root_, &attributes);
    return {0, 0, attributes.width, attributes.height};
  }

  // Handles the events that have arrived, without waiting for more.
  void PumpEvents() {
    Display* display = display_.get();
    while (XPending(display) > 0) {
      XEvent event{};
      XNextEvent(display, &event);
      if (damage_ != 0 && event.type == damage_event_base_ + XDamageNotify) {
        damaged_ = damaged_ || event.xany.serial >= fresh_serial_;
        continue;
      }
      if (event.type == ConfigureNotify && event.xconfigure.window == root_) {
        bounds_ = {0, 0, event.xconfigure.width, event.xconfigure.height};
        continue;
      }
      // While one of our grabs is active the server sends its raw events
      // to other clients only; the grab's own key events stand in.
      if (event.type == KeyPress || event.type == KeyRelease) {
        OnKey(static_cast<int>(event.xkey.keycode), event.type == KeyPress);
        continue;
      }
      XGenericEventCookie& cookie = event.xcookie;
      if (cookie.type != GenericEvent || cookie.extension != xinput_opcode_ ||
          XGetEventData(display, &cookie) == False) {
        continue;
      }
      if (cookie.evtype == XI_RawKeyPress ||
          cookie.evtype == XI_RawKeyRelease) {
        const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
        OnKey(raw->detail, cookie.evtype == XI_RawKeyPress);
      }
      XFreeEventData(display, &cookie);
    }
  }

  void OnKey(int keycode, bool pressed) {
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

  Atom Intern(const char* name) {
    return XInternAtom(display_.get(), name, False);
  }

  void RequireWindowManagerSupport(Atom above) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(
        display_.get(), root_, Intern("_NET_SUPPORTED"), 0, 4096, False,
        XA_ATOM, &type, &format, &count, &remaining, &data);
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

  void SetStateProperty(Window window, Atom state, Atom above, bool topmost) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<Atom> atoms;
    if (XGetWindowProperty(display_.get(), window, state, 0, 1024, False,
                           XA_ATOM, &type, &format, &count, &remaining,
                           &data) == Success &&
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
    XChangeProperty(display_.get(), window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
  }

  COLORREF ToColorref(unsigned long pixel) {
    const Visual* visual =
        DefaultVisual(display_.get(), DefaultScreen(display_.get()));
    if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
      return Channel(pixel, visual->red_mask) |
             (Channel(pixel, visual->green_mask) << 8U) |
             (Channel(pixel, visual->blue_mask) << 16U);
    }
    // Colour-mapped screens: ask the server what the pixel value shows.
    XColor colour{};
    colour.pixel = pixel;
    XQueryColor(display_.get(),
                DefaultColormap(display_.get(), DefaultScreen(display_.get())),
                &colour);
    const auto byte = [](unsigned short value) {
      return static_cast<std::uint32_t>(value >> 8U);
    };
    return byte(colour.red) | (byte(colour.green) << 8U) |
           (byte(colour.blue) << 16U);
  }

  DisplayHandle display_;
  X11ErrorCapture errors_;
  Window root_;
  int xinput_opcode_ = 0;
  std::vector<WatchedKey> keys_;
  DesktopArea bounds_;
  Damage damage_ = 0;
  int damage_event_base_ = 0;
  // Something was drawn since the last read of the screen.
  bool damaged_ = false;
  // The serial of that read: reports generated before it are stale.
  unsigned long fresh_serial_ = 0;
  // A release waited the longest for the button to read up, in vain.
  bool release_wait_ran_out_ = false;
};

}  // namespace

std::unique_ptr<PlatformInput> OpenX11Desktop() {
  return std::make_unique<X11Desktop>();
}

}  // namespace scrivlet
