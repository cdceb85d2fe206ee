// The Wayland desktop on GNOME: mutter's own remote-desktop D-Bus API,
// which takes pointer events from an unsandboxed program without asking
// the user. A remote-desktop session is linked to a screen cast of the
// primary monitor, because absolute motion is given in a stream's
// coordinates: the monitor's pixels. The stream's PipeWire frames show
// the screen, which is how dots are confirmed, and tell the pointer's
// position as cursor metadata, the only place mutter tells it. Screen
// points are the monitor's logical pixels, as programs see them on a
// scaled or turned monitor (monitor_frames.h).

#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/absolute_mapping.h"
#include "platform/dbus/call_pipeline.h"
#include "platform/dbus/session_bus.h"
#include "platform/desktop_backends.h"
#include "platform/gnome/cast_stream.h"
#include "platform/gnome/gnome_texts.h"
#include "platform/gnome/monitor_frames.h"
#include "platform/gnome/pointer_follower.h"
#include "platform/gnome/primary_monitor.h"
#include "platform/mouse_flags.h"

namespace scrivlet {
namespace {

const char* const kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
const char* const kRemoteSession = "org.gnome.Mutter.RemoteDesktop.Session";
const char* const kScreenCast = "org.gnome.Mutter.ScreenCast";
const char* const kCastSession = "org.gnome.Mutter.ScreenCast.Session";
const char* const kCastStream = "org.gnome.Mutter.ScreenCast.Stream";

// Mutter names the stream's PipeWire node soon after the session starts.
constexpr std::uint64_t kNodeTimeoutUsec = 3'000'000;

// RecordMonitor's cursor-mode: the pointer as metadata beside the frames,
// so that it never covers the pixel a dot was just clicked on.
constexpr std::uint32_t kCursorAsMetadata = 2;

// How long a capture waits for mutter's first frame after our latest
// event. Mutter sends a frame only when the screen changes: after this the
// latest frame is the screen.
constexpr std::chrono::milliseconds kFrameWait{150};

class GnomeRemoteDesktop final : public PlatformInput {
 public:
  GnomeRemoteDesktop()
      : monitor_(ReadPrimaryMonitor(bus_)),
        frames_(FramesOf(monitor_.width, monitor_.height, monitor_.scale,
                         monitor_.transform)) {
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
    try {
      Collect();
    } catch (const PlatformError&) {
      // Collect let the button go; the session ends anyway.
    }
    LetGo();
    StopSession();
  }

  ScreenPoint GetCursorPos() override {
    if (!cast_) {
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
    const MouseFlags mouse = DecodeMouseFlags(flags);
    if (mouse.move) {
      if (mouse.absolute) {
        const ScreenPoint to = AbsoluteToScreen(dx, dy, DesktopBounds());
        const StreamPoint aim = ToStream(to, frames_);
        Send("NotifyPointerMotionAbsolute", "sdd", stream_.c_str(), aim.x,
             aim.y);
        follower_.MovedTo(to, Shown(), Now());
      } else {
        // Mutter applies no pointer acceleration to these: exact pixels of
        // its layout.
        const double layout_pixels =
            monitor_.physical_layout ? monitor_.scale : 1.0;
        Send("NotifyPointerMotionRelative", "dd", dx * layout_pixels,
             dy * layout_pixels);
        follower_.MovedBy(dx, dy, DesktopBounds(), Shown(), Now());
      }
    }
    if (mouse.press) {
      // Counted as down before mutter answers: a press that failed may
      // still have taken effect, and releasing an unpressed button is
      // harmless.
      button_down_ = true;
      press_unanswered_ = true;
      Send("NotifyPointerButton", "ib", BTN_LEFT, 1);
    }
    if (mouse.release) {
      button_down_ = false;
      Send("NotifyPointerButton", "ib", BTN_LEFT, 0);
    }
  }

  // F7 and F8 come through the command channel and the shortcuts portal
  // above this backend: Wayland shows no program the global key state.
  std::uint16_t GetAsyncKeyState(int /*virtual_key*/) override { return 0; }

  DesktopArea DesktopBounds() override { return LogicalArea(frames_); }

  void SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) override {
    throw PlatformError(
        "Wayland lets no program keep its own window on top. On GNOME, "
        "choose \"Always on Top\" in the window menu (Alt+Space).");
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return CaptureScreenRegion({at.x, at.y, 1, 1}).At(at);
  }

  // Each capture takes every answer first: mutter has taken the events,
  // and its next frames show what the target drew of them.
  bool TakenInputShowsLate() override { return cast_ != nullptr; }

  // The latest frame, once mutter has sent one after our latest event or
  // has sent none for a while. Unread where no frame ever came: the
  // delivery pacer then sends at its fixed safe pace.
  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    Collect();
    if (!cast_) {
      SayUnread(cursor_problem_);
      return UnreadScreenImage(area);
    }
    const bool wait = !settled_ && !frameless_;
    CastStream::Capture capture =
        cast_->Read(ToStream(area, frames_), sent_at_,
                    wait ? CastStream::Clock::duration{kFrameWait}
                         : CastStream::Clock::duration{});
    settled_ = true;
    if (!capture.any_frame && wait) {
      // Waiting again at every look would only slow the safe pace down.
      frameless_ = true;
      SayUnread("mutter sent no frame of the screen.");
    }
    frameless_ = frameless_ && !capture.any_frame;
    const LogicalSize stream = frames_.stream;
    if (capture.any_frame &&
        (capture.width != stream.width || capture.height != stream.height)) {
      // A frame of another size (a mode change since the session began)
      // would put every pixel in the wrong place.
      SayUnread("the screen cast's frames are " +
                std::to_string(capture.width) + "x" +
                std::to_string(capture.height) + ", the monitor " +
                std::to_string(stream.width) + "x" +
                std::to_string(stream.height) + ".");
      return UnreadScreenImage(area);
    }
    return ToLogical(capture.image, area, frames_);
  }

  // Every event sent has been taken by mutter, or its error is thrown.
  void Flush() override { Collect(); }

 private:
  static PointerFollower::Clock::time_point Now() {
    return PointerFollower::Clock::now();
  }

  // Events go without waiting for mutter's answers (each costs a round
  // trip through the bus, which capped drawing at about 80 dots/s); their
  // answers are taken at the next look or Flush. A refused event lets the
  // button go before its error goes on: the calls after it were handled.
  template <typename... Args>
  void Send(const char* member, const char* types, Args... args) {
    settled_ = false;  // the screen may change
    try {
      calls_.Send(session_, member, types, args...);
    } catch (const PlatformError&) {
      LetGo();
      throw;
    }
  }

  void Collect() {
    try {
      calls_.Collect();
    } catch (const PlatformError&) {
      LetGo();
      throw;
    }
    // The events before this have reached mutter, a press taken there
    // only now.
    sent_at_ = calls_.LastReply();
    press_unanswered_ = button_down_;
  }

  // Releases the button where a press may have taken effect: after the
  // calls in flight, on the same connection.
  void LetGo() {
    if (!button_down_ && !press_unanswered_) {
      return;
    }
    button_down_ = false;
    press_unanswered_ = false;
    try {
      bus_.Call(session_, "NotifyPointerButton", "ib", BTN_LEFT, 0);
    } catch (const PlatformError&) {
      // Mutter is gone or refuses; stopping the session releases it too.
    }
  }

  // Once per session, why dots go out unconfirmed.
  void SayUnread(const std::string& why) {
    if (!said_unread_) {
      said_unread_ = true;
      std::fprintf(stderr, "%s%s\n", texts::kGnomeScreenUnread, why.c_str());
    }
  }

  [[nodiscard]] std::optional<PointerFollower::Shown> Shown() const {
    if (!cast_) {
      return std::nullopt;
    }
    const auto seen = cast_->Cursor();
    if (!seen) {
      return std::nullopt;
    }
    return PointerFollower::Shown{ToLogical(seen->at, frames_), seen->updates};
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

  // Without the stream the route still clicks; finding the pointer fails,
  // with this reason, and the screen is unread.
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
      cast_ = std::make_unique<CastStream>(*node_);
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
  CallPipeline calls_{bus_};  // after bus_, which it calls on
  PrimaryMonitor monitor_;
  MonitorFrames frames_;
  BusObject session_{kRemoteDesktop, "", kRemoteSession};
  std::string stream_;
  bool button_down_ = false;  // by the events sent
  // A press was sent that mutter has not answered since the button went up:
  // it may be down, whatever the events after it said.
  bool press_unanswered_ = false;
  BusSlot node_match_;  // after bus_, so that it is released before it
  std::optional<std::uint32_t> node_;
  std::unique_ptr<CastStream> cast_;
  std::string cursor_problem_;
  CastStream::Clock::time_point sent_at_;  // mutter answered our latest event
  bool settled_ = true;     // a capture has seen the screen since then
  bool frameless_ = false;  // no frame yet, and none came when one was due
  bool said_unread_ = false;
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
