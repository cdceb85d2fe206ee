// The X11 desktop: XTest injects the pointer events; the hot keys
// (x11_hot_keys.h), the screen read-back with DAMAGE (x11_screen.h) and the
// z-order band (x11_stacking.h) each have a part of their own, which this
// class holds together on one Display connection, apart from the window
// toolkit's, so that its requests and events never mix with the GUI's.

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/mouse_flags.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/x11_hot_keys.h"
#include "platform/x11/x11_screen.h"
#include "platform/x11/x11_stacking.h"

namespace scrivlet {
namespace {

constexpr unsigned int kLeftButton = 1;
// How long a release may wait for a window manager's grab to let go; one
// that never does (a stuck grab) must not stop the drawing. Not shorter:
// openbox on a loaded machine took up to 170 ms, and once a wait runs out
// the clicks after it go into its freezes (see AwaitReleaseTaken).
constexpr std::chrono::milliseconds kReleaseTakenTimeout{1000};

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayHandle = std::unique_ptr<Display, DisplayCloser>;

std::string DisplayName() {
  const char* name = std::getenv("DISPLAY");
  return name != nullptr ? name : "";
}

// Opens $DISPLAY, which must have XTEST to move the pointer and click.
DisplayHandle OpenDisplayOrThrow() {
  const std::string name = DisplayName();
  DisplayHandle display(XOpenDisplay(nullptr));
  if (!display) {
    throw PlatformError(
        name.empty()
            ? "No X display: DISPLAY is not set. Scrivlet draws through X11 "
              "and needs an X11 session (a Wayland-only session has none)."
            : "Cannot open the X display \"" + name +
                  "\". Scrivlet draws through X11 and needs a running X11 "
                  "session it may connect to.");
  }
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (XTestQueryExtension(display.get(), &event_base, &error_base, &major,
                          &minor) == False) {
    throw PlatformError("The X server \"" + name +
                        "\" lacks the XTEST extension, which Scrivlet needs "
                        "to move the pointer and click.");
  }
  return display;
}

class X11Desktop final : public PlatformInput {
 public:
  X11Desktop()
      : display_(OpenDisplayOrThrow()),
        errors_(display_.get()),
        root_(DefaultRootWindow(display_.get())),
        keys_(display_.get(), root_, errors_),
        screen_(display_.get(), root_, errors_) {
    SelectRootEvents();
    keys_.Start();
    bounds_ = ReadRootSize();
    XSync(display_.get(), False);
  }

  ScreenPoint GetCursorPos() override { return QueryPointer().at; }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    Display* display = display_.get();
    if (drawing_ && (flags & (MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN)) != 0) {
      // A change of the screen's size is seen before the next dot: the
      // drawing's positions were worked out for the old area, and a press
      // there would land elsewhere. Only a release still goes out.
      PumpEvents();
      if (changed_during_drawing_) {
        flags &= MOUSEEVENTF_LEFTUP;
        if (flags == 0) {
          return;
        }
      }
    }
    const MouseFlags mouse = DecodeMouseFlags(flags);
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

  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    PumpEvents();
    return keys_.Query(virtual_key);
  }

  DesktopArea DesktopBounds() override {
    PumpEvents();
    return bounds_;
  }

  void SetWindowPos(NativeWindow window, ZOrder order) override {
    SetStackingBand(display_.get(), root_, errors_, window, order);
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return screen_.ReadPixel(at, bounds_);
  }

  std::optional<COLORREF> ReadDrawnPixel(ScreenPoint at) override {
    return screen_.ReadDrawn(at, bounds_);
  }

  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    return screen_.Capture(area, bounds_);
  }

  void Flush() override { XSync(display_.get(), False); }

  void DrawingStarted() override {
    PumpEvents();
    screen_.ForgetWindows();
    drawing_ = true;
    changed_during_drawing_ = false;
  }
  void DrawingEnded() override { drawing_ = false; }

  bool DesktopChangedDuringDrawing() override {
    PumpEvents();
    return changed_during_drawing_;
  }

  // While another client grabs the pointer actively, the server sends it
  // every pointer event, XTest's too. Only then does a grab of our own
  // fail with AlreadyGrabbed (GrabFrozen: its grab froze the pointer); one
  // that succeeds is let go at once, before anything else is sent. A
  // button held down counts as a grab too (the window it was pressed on
  // gets the events until it is up), so this is asked between clicks.
  //
  // The grab is taken on the deepest window under the pointer: the server
  // reports a grab to the windows as if the pointer moved from the window
  // under it to the grab window, and a paint program told that the pointer
  // left its canvas may draw a line to where it comes back. With the same
  // window there is no such move. A window gone meanwhile fails the grab
  // with an error, which is dropped: that is no one else's grab.
  InputDelivery SyntheticInputDelivery() override {
    Display* display = display_.get();
    errors_.SyncAndClear();
    const int result =
        XGrabPointer(display, DeepestUnderPointer(), False, 0, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime);
    if (result == GrabSuccess) {
      XUngrabPointer(display, CurrentTime);
    }
    errors_.SyncAndClear();
    return result == AlreadyGrabbed || result == GrabFrozen
               ? InputDelivery::HeldByAnotherProgram
               : InputDelivery::Delivered;
  }

  bool ReportsScreenChanges() override { return screen_.reports_changes(); }

  Window DeepestUnderPointer() {
    Window window = root_;
    for (;;) {
      Window root_return = 0;
      Window child = 0;
      int root_x = 0;
      int root_y = 0;
      int x = 0;
      int y = 0;
      unsigned int mask = 0;
      if (XQueryPointer(display_.get(), window, &root_return, &child, &root_x,
                        &root_y, &x, &y, &mask) == False ||
          child == None) {
        return window;
      }
      window = child;
    }
  }

  // DAMAGE says that something was drawn, not where: any drawing counts.
  bool WaitForScreenChange(ScreenRect /*area*/,
                           std::chrono::microseconds timeout) override {
    return WaitForDamage([this] { return screen_.drawn_since_read(); },
                         timeout);
  }

  bool ReportsDrawnChanges() override { return screen_.reports_changes(); }

  bool WaitForDrawnChange(ScreenPoint at,
                          std::chrono::microseconds timeout) override {
    return WaitForDamage([this, at] { return screen_.drawn_since_read(at); },
                         timeout);
  }

 private:
  template <typename Drawn>
  bool WaitForDamage(const Drawn& drawn, std::chrono::microseconds timeout) {
    Display* display = display_.get();
    XFlush(display);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      PumpEvents();
      if (drawn()) {
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
  // up again. That is why the wait is long: with 50 ms, openbox under load
  // outlasted one wait, and the strokes after it went into its freezes;
  // the browser got each line's held move at a later line's end (two
  // lines joined) and its presses at later places (lines lost).
  void AwaitReleaseTaken() {
    Display* display = display_.get();
    const auto give_up = std::chrono::steady_clock::now() +
                         (release_wait_ran_out_ ? std::chrono::milliseconds(0)
                                                : kReleaseTakenTimeout);
    // F8 must still stop a drawing within a tenth of a second: a press of
    // it ends the wait, and the pacer sends nothing more.
    const int f8_presses = keys_.Presses(VK_F8);
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
      if (keys_.Presses(VK_F8) != f8_presses) {
        return;
      }
    }
  }

  void SelectRootEvents() {
    std::array<unsigned char, XIMaskLen(XI_LASTEVENT)> mask_bits{};
    XIEventMask mask{};
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = static_cast<int>(mask_bits.size());
    mask.mask = mask_bits.data();
    X11HotKeys::AddRawEvents(mask);
    // Wakes a release waiting for the server to apply it (see
    // AwaitReleaseTaken).
    XISetMask(mask.mask, XI_RawButtonRelease);
    XISelectEvents(display_.get(), root_, &mask, 1);
    // The root window is resized when monitors change (RandR); its
    // ConfigureNotify keeps the absolute-coordinate span current and stops
    // a drawing before its next dot (DesktopChangedDuringDrawing).
    XSelectInput(display_.get(), root_, StructureNotifyMask);
    if (auto error = errors_.SyncAndTakeError()) {
      throw PlatformError("The X server refused to report key presses: " +
                          *error);
    }
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
      if (screen_.Handle(event) || keys_.Handle(event)) {
        continue;
      }
      if (event.type == ConfigureNotify && event.xconfigure.window == root_) {
        const DesktopArea now{0, 0, event.xconfigure.width,
                              event.xconfigure.height};
        changed_during_drawing_ =
            changed_during_drawing_ || (drawing_ && now != bounds_);
        bounds_ = now;
      }
    }
  }

  DisplayHandle display_;
  X11ErrorCapture errors_;
  Window root_;
  X11HotKeys keys_;
  X11Screen screen_;
  DesktopArea bounds_;
  // A release waited the longest for the button to read up, in vain.
  bool release_wait_ran_out_ = false;
  // Between DrawingStarted and DrawingEnded.
  bool drawing_ = false;
  // The screen's size changed since DrawingStarted.
  bool changed_during_drawing_ = false;
};

}  // namespace

std::unique_ptr<PlatformInput> OpenX11Desktop() {
  return std::make_unique<X11Desktop>();
}

}  // namespace scrivlet
