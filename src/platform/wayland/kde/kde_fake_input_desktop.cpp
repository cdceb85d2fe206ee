// The Wayland route on KDE Plasma: KWin's org_kde_kwin_fake_input moves
// and clicks. KWin offers it, without asking the user, to programs whose
// installed .desktop file declares
// X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input and whose Exec= is the
// program's full path. The screen is read back through KWin's ScreenShot2
// D-Bus interface, which the same desktop entry unlocks
// (X-KDE-DBUS-Restricted-Interfaces): the delivery pacer confirms dots.
// Where KWin lacks it or refuses, every pixel reads as unknown and the
// pacer sends the dots at its safe fixed pace, unconfirmed.

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "fake-input-client.h"
#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/mouse_flags.h"
#include "platform/wayland/kde/kwin_screenshot.h"
#include "platform/wayland/wayland_desktop.h"

namespace scrivlet {
namespace {

// How far into a pixel absolute motion aims (see MoveOntoPixel).
constexpr double kIntoPixel = 0.25;

// How long KWin takes to hand the pointer back after the overlay.
constexpr auto kSettleAfterProbe = std::chrono::milliseconds(100);

// Absolute motion came with version 3.
constexpr std::uint32_t kAbsoluteSince = 3;

// Shown by KWin where it asks the user; the window's own language.
constexpr const char* kApplication = "Scrivlet";
constexpr const char* kReason = "絵をドットにして、クリックで描き込むため";

class KdeFakeInputDesktop final : public WaylandDesktop {
 public:
  KdeFakeInputDesktop() {
    ListGlobals();
    RequireRoute();
    WatchOutputAndSeat();
    connection_.Roundtrip("describe its outputs");
    RequireOutputSize();
    // Once per connection; KWin drops the events of a client that has not.
    org_kde_kwin_fake_input_authenticate(fake_input_.get(), kApplication,
                                         kReason);
    connection_.Flush();
  }

  KdeFakeInputDesktop(const KdeFakeInputDesktop&) = delete;
  KdeFakeInputDesktop& operator=(const KdeFakeInputDesktop&) = delete;
  KdeFakeInputDesktop(KdeFakeInputDesktop&&) = delete;
  KdeFakeInputDesktop& operator=(KdeFakeInputDesktop&&) = delete;

  // The protocol has no destructor request: the proxy goes client-side only.
  ~KdeFakeInputDesktop() override = default;

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    const MouseFlags mouse = DecodeMouseFlags(flags);
    if (mouse.move) {
      if (mouse.absolute) {
        MoveOntoPixel(AbsoluteToScreen(dx, dy, Bounds()));
      } else {
        // Fake input is no libinput device, so KWin applies no pointer
        // acceleration: (dx, dy) are exact pixels.
        org_kde_kwin_fake_input_pointer_motion(
            fake_input_.get(), wl_fixed_from_int(dx), wl_fixed_from_int(dy));
      }
    }
    if (mouse.press) {
      org_kde_kwin_fake_input_button(fake_input_.get(), BTN_LEFT,
                                     WL_POINTER_BUTTON_STATE_PRESSED);
    }
    if (mouse.release) {
      org_kde_kwin_fake_input_button(fake_input_.get(), BTN_LEFT,
                                     WL_POINTER_BUTTON_STATE_RELEASED);
    }
    connection_.Flush();
  }

  // KWin hands the pointer back to the window under it only a while after
  // the overlay has gone: a click sent at once can reach no window, and
  // with nothing read back that dot would be lost unseen. The pointer is
  // put on the pixel again once KWin has settled.
  ScreenPoint GetCursorPos() override {
    const ScreenPoint at = WaylandDesktop::GetCursorPos();
    connection_.Roundtrip("take the pointer back");
    std::this_thread::sleep_for(kSettleAfterProbe);
    MoveOntoPixel(at);
    connection_.Roundtrip("take the pointer back");
    return at;
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return CaptureScreenRegion({at.x, at.y, 1, 1}).At(at);
  }

  // A capture that fails leaves the screen unread from then on: the pacer
  // goes on at its safe pace rather than waiting on KWin at every look.
  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    const ScreenRect captured = ClipToDesktop(area, Bounds());
    if (unreadable_ || captured.width == 0 || captured.height == 0) {
      return UnreadScreenImage(area);
    }
    try {
      if (!screenshot_) {
        screenshot_ = std::make_unique<KwinScreenshot>();
      }
      const KwinCapture capture = screenshot_->CaptureArea(captured);
      return ToScreenImage(capture.frame, area, captured);
    } catch (const PlatformError& error) {
      unreadable_ = true;
      screenshot_.reset();
      std::cerr << "Scrivlet: " << error.what()
                << "\nScrivlet: the screen is not read back on this KDE "
                   "desktop (KWin shows it only to the installed "
                   "/usr/bin/scrivlet, whose desktop entry declares "
                   "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2)"
                   ": dots go out at a safe pace, unconfirmed.\n";
      return UnreadScreenImage(area);
    }
  }

 protected:
  void OnRouteGlobal(wl_registry* registry, std::uint32_t name,
                     const std::string& interface,
                     std::uint32_t version) override {
    if (interface == org_kde_kwin_fake_input_interface.name) {
      fake_input_version_ = version;
      fake_input_.reset(BindGlobal<org_kde_kwin_fake_input>(
          registry, name, &org_kde_kwin_fake_input_interface, version, 4));
    }
  }

  // KWin's absolute motion is in the layout's logical pixels, as screen
  // points are, fractions allowed, but KWin 5.27 rounds the position it
  // hands to programs to whole pixels: a quarter pixel in lands on the
  // aimed pixel whether KWin rounds or not, where a half would round onto
  // the next one.
  void MoveOntoPixel(ScreenPoint at) override {
    org_kde_kwin_fake_input_pointer_motion_absolute(
        fake_input_.get(), wl_fixed_from_double(at.x + kIntoPixel),
        wl_fixed_from_double(at.y + kIntoPixel));
  }

  void NudgePointer() override {
    org_kde_kwin_fake_input_pointer_motion(fake_input_.get(), 0, 0);
  }

 private:
  void RequireRoute() const {
    if (fake_input_ == nullptr) {
      throw PlatformError(
          Named() +
          " lacks org_kde_kwin_fake_input. KWin offers it only to a program "
          "whose .desktop file declares "
          "X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input with its full "
          "path in Exec= (the scrivlet package installs "
          "/usr/share/applications/scrivlet.desktop; start "
          "/usr/bin/scrivlet).");
    }
    if (fake_input_version_ < kAbsoluteSince) {
      throw PlatformError(Named() + " offers org_kde_kwin_fake_input version " +
                          std::to_string(fake_input_version_) +
                          "; absolute motion needs version 3 or later.");
    }
    if (CurrentOutput() == nullptr) {
      throw PlatformError(Named() + " lacks wl_output.");
    }
  }

  WaylandProxy<org_kde_kwin_fake_input> fake_input_;
  std::uint32_t fake_input_version_ = 0;
  // Opened at the first read, so that a desktop without a session bus
  // still clicks.
  std::unique_ptr<KwinScreenshot> screenshot_;
  bool unreadable_ = false;
};

}  // namespace

std::unique_ptr<PlatformInput> OpenKdeFakeInputDesktop() {
  return std::make_unique<KdeFakeInputDesktop>();
}

}  // namespace scrivlet
