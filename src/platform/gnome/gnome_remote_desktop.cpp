// The Wayland desktop on GNOME: mutter's own remote-desktop D-Bus API,
// which takes pointer events from an unsandboxed program without asking
// the user. A remote-desktop session is linked to a screen cast of the
// primary monitor, because absolute motion is given in a stream's
// coordinates: the monitor's pixels. Mutter tells neither the pointer
// position nor the screen's pixels except through the stream's PipeWire
// frames, which this route does not read: dots are sent at the pacer's
// fixed safe pace, and finding the pointer is said to be impossible.

#include <linux/input-event-codes.h>

#include <string>

#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/gnome/primary_monitor.h"
#include "platform/session_bus.h"

namespace scrivlet {
namespace {

const char* const kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
const char* const kRemoteSession = "org.gnome.Mutter.RemoteDesktop.Session";
const char* const kScreenCast = "org.gnome.Mutter.ScreenCast";
const char* const kCastSession = "org.gnome.Mutter.ScreenCast.Session";

class GnomeRemoteDesktop final : public PlatformInput {
 public:
  GnomeRemoteDesktop() : monitor_(ReadPrimaryMonitor(bus_)) {
    session_.path = bus_.CallForPath(
        {kRemoteDesktop, "/org/gnome/Mutter/RemoteDesktop", kRemoteDesktop},
        "CreateSession", "");
    try {
      const std::string id = bus_.StringProperty(session_, "SessionId");
      const BusObject cast_session{
          kScreenCast,
          bus_.CallForPath(
              {kScreenCast, "/org/gnome/Mutter/ScreenCast", kScreenCast},
              "CreateSession", "a{sv}", 1, "remote-desktop-session-id", "s",
              id.c_str()),
          kCastSession};
      stream_ = bus_.CallForPath(cast_session, "RecordMonitor", "sa{sv}",
                                 monitor_.connector.c_str(), 0);
      // Starting the remote-desktop session starts the linked cast too.
      bus_.Call(session_, "Start", "");
    } catch (const PlatformError&) {
      StopSession();
      throw;
    }
  }

  GnomeRemoteDesktop(const GnomeRemoteDesktop&) = delete;
  GnomeRemoteDesktop& operator=(const GnomeRemoteDesktop&) = delete;
  GnomeRemoteDesktop(GnomeRemoteDesktop&&) = delete;
  GnomeRemoteDesktop& operator=(GnomeRemoteDesktop&&) = delete;

  // No button stays down behind a program that ends mid-dot.
  ~GnomeRemoteDesktop() override {
    if (button_down_) {
      try {
        bus_.Call(session_, "NotifyPointerButton", "ib", BTN_LEFT, 0);
      } catch (const PlatformError&) {
        // Mutter is gone or refuses; stopping the session releases it too.
      }
    }
    StopSession();
  }

  ScreenPoint GetCursorPos() override {
    throw PlatformError(
        "GNOME's remote-desktop route cannot tell where the pointer is: "
        "mutter shows it only in the screen cast's PipeWire frames, which "
        "Scrivlet does not read.");
  }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
      if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        const ScreenPoint to = AbsoluteToScreen(dx, dy, DesktopBounds());
        bus_.Call(session_, "NotifyPointerMotionAbsolute", "sdd",
                  stream_.c_str(), static_cast<double>(to.x),
                  static_cast<double>(to.y));
      } else {
        // Mutter applies no pointer acceleration to these: exact pixels.
        bus_.Call(session_, "NotifyPointerMotionRelative", "dd",
                  static_cast<double>(dx), static_cast<double>(dy));
      }
    }
    if ((flags & MOUSEEVENTF_LEFTDOWN) != 0) {
      // Counted as down before asking: a press that failed may still have
      // taken effect, and releasing an unpressed button is harmless.
      button_down_ = true;
      bus_.Call(session_, "NotifyPointerButton", "ib", BTN_LEFT, 1);
    }
    if ((flags & MOUSEEVENTF_LEFTUP) != 0) {
      bus_.Call(session_, "NotifyPointerButton", "ib", BTN_LEFT, 0);
      button_down_ = false;
    }
  }

  // F7 and F8 come through the command channel and the shortcuts portal
  // above this backend: Wayland shows no program the global key state.
  std::uint16_t GetAsyncKeyState(int /*virtual_key*/) override { return 0; }

  DesktopArea DesktopBounds() override {
    return {0, 0, monitor_.width, monitor_.height};
  }

  void SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) override {
    throw PlatformError(
        "Wayland lets no program keep its own window on top. On GNOME, "
        "choose \"Always on Top\" in the window menu (Alt+Space).");
  }

  // Unread: the delivery pacer then sends at its fixed safe pace.
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint /*at*/) override {
    return std::nullopt;
  }
  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    return UnreadScreenImage(area);
  }

  // Every call above waited for mutter's reply: nothing is queued.
  void Flush() override {}

 private:
  void StopSession() {
    try {
      bus_.Call(session_, "Stop", "");
    } catch (const PlatformError&) {
      // Already closed, or mutter is gone: nothing is left to stop.
    }
  }

  SessionBus bus_;
  PrimaryMonitor monitor_;
  BusObject session_{kRemoteDesktop, "", kRemoteSession};
  std::string stream_;
  bool button_down_ = false;
};

}  // namespace

std::unique_ptr<PlatformInput> OpenGnomeRemoteDesktop() {
  try {
    return std::make_unique<GnomeRemoteDesktop>();
  } catch (const PlatformError& error) {
    throw PlatformError(std::string("GNOME's remote-desktop route: ") +
                        error.what());
  }
}

}  // namespace scrivlet
