// The Wayland desktop on GNOME: mutter's own remote-desktop D-Bus API,
// which takes pointer events from an unsandboxed program without asking
// the user. A remote-desktop session is linked to a screen cast of the
// primary monitor, because absolute motion is given in a stream's
// coordinates: the monitor's pixels. Mutter tells the pointer's position
// only in that stream's PipeWire frames, as cursor metadata; the frames'
// pixels are not read, so dots go out at the delivery pacer's fixed safe
// pace, unconfirmed.

#include <linux/input-event-codes.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/gnome/cast_cursor.h"
#include "platform/gnome/pointer_follower.h"
#include "platform/gnome/primary_monitor.h"
#include "platform/session_bus.h"

namespace scrivlet {
namespace {

const char* const kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
const char* const kRemoteSession = "org.gnome.Mutter.RemoteDesktop.Session";
const char* const kScreenCast = "org.gnome.Mutter.ScreenCast";
const char* const kCastSession = "org.gnome.Mutter.ScreenCast.Session";
const char* const kCastStream = "org.gnome.Mutter.ScreenCast.Stream";

// Mutter names the stream's PipeWire node soon after the session starts.
constexpr std::uint64_t kNodeTimeoutUsec = 3'000'000;

// RecordMonitor's cursor-mode: the pointer as metadata beside the frames.
constexpr std::uint32_t kCursorAsMetadata = 2;

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
                                 monitor_.connector.c_str(), 1, "cursor-mode",
                                 "u", kCursorAsMetadata);
      WatchStreamNode();
      // Starting the remote-desktop session starts the linked cast too.
      bus_.Call(session_, "Start", "");
      FollowCursor();
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
    if (!cursor_) {
      throw PlatformError(
          "GNOME's remote-desktop route cannot tell where "
          "the pointer is: " +
          cursor_problem_);
    }
    const auto at = follower_.Position(Shown(), Now());
    if (!at) {
      throw PlatformError(
          "Mutter has not shown the pointer on the primary monitor yet: "
          "move it there.");
    }
    return *at;
  }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
      if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        const ScreenPoint to = AbsoluteToScreen(dx, dy, DesktopBounds());
        bus_.Call(session_, "NotifyPointerMotionAbsolute", "sdd",
                  stream_.c_str(), static_cast<double>(to.x),
                  static_cast<double>(to.y));
        follower_.MovedTo(to, Shown(), Now());
      } else {
        // Mutter applies no pointer acceleration to these: exact pixels.
        bus_.Call(session_, "NotifyPointerMotionRelative", "dd",
                  static_cast<double>(dx), static_cast<double>(dy));
        follower_.MovedBy(dx, dy, DesktopBounds(), Shown(), Now());
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
  static PointerFollower::Clock::time_point Now() {
    return PointerFollower::Clock::now();
  }

  [[nodiscard]] std::optional<PointerFollower::Shown> Shown() const {
    if (!cursor_) {
      return std::nullopt;
    }
    const auto seen = cursor_->Latest();
    if (!seen) {
      return std::nullopt;
    }
    return PointerFollower::Shown{seen->at, seen->updates};
  }

  // Set before Start, so that the signal naming the node cannot pass
  // unseen.
  void WatchStreamNode() {
    sd_bus_slot* slot = nullptr;
    const int result = sd_bus_match_signal(
        bus_.Get(), &slot, nullptr, stream_.c_str(), kCastStream,
        "PipeWireStreamAdded",
        [](sd_bus_message* message, void* data, sd_bus_error*) {
          std::uint32_t node = 0;
          if (sd_bus_message_read(message, "u", &node) > 0) {
            *static_cast<std::optional<std::uint32_t>*>(data) = node;
          }
          return 0;
        },
        &node_);
    node_match_.reset(slot);
    if (result < 0) {
      cursor_problem_ = "its screen cast's stream cannot be watched.";
    }
  }

  // Without the cursor the route still clicks; only finding the pointer
  // fails, with this reason.
  void FollowCursor() {
    if (node_match_ == nullptr) {
      return;
    }
    const auto deadline = Now() + std::chrono::microseconds(kNodeTimeoutUsec);
    while (!node_ && Now() < deadline) {
      if (sd_bus_process(bus_.Get(), nullptr) == 0) {
        sd_bus_wait(bus_.Get(), 100'000);
      }
    }
    node_match_.reset();
    if (!node_) {
      cursor_problem_ = "mutter named no PipeWire stream for its screen cast.";
      return;
    }
    try {
      cursor_ = std::make_unique<CastCursor>(*node_);
    } catch (const PlatformError& error) {
      cursor_problem_ = error.what();
    }
  }

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
  BusSlot node_match_;  // after bus_, so that it is released before it
  std::optional<std::uint32_t> node_;
  std::unique_ptr<CastCursor> cursor_;
  std::string cursor_problem_;
  PointerFollower follower_;
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
