#include "recording_client.h"

#include <X11/Xutil.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "child_process.h"

namespace scrivlet::testing {

std::string PointerRecord(const char* kind, ScreenPoint at) {
  std::string record(kind);
  record.append(" ").append(std::to_string(at.x)).append(",");
  return record.append(std::to_string(at.y));
}

RecordingClient::RecordingClient() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) {
    throw std::runtime_error("The test client cannot open the X display");
  }
}

RecordingClient::~RecordingClient() {
  for (const Window window : windows_) {
    XDestroyWindow(display_, window);
  }
  XCloseDisplay(display_);
}

DesktopArea RecordingClient::ScreenArea() const {
  const int screen = DefaultScreen(display_);
  return {0, 0, DisplayWidth(display_, screen),
          DisplayHeight(display_, screen)};
}

void RecordingClient::CoverScreen() {
  const DesktopArea area = ScreenArea();
  cover_ = MakeWindow({0, 0, area.width, area.height}, 0xFFFFFF, false);
  XSelectInput(display_, cover_,
               ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                   StructureNotifyMask);
  XSync(display_, False);
  Drain();
  records_.clear();
}

std::vector<std::string> RecordingClient::TakePointerEvents() {
  XSync(display_, False);
  Drain();
  return std::exchange(records_, {});
}

void RecordingClient::Drain() {
  while (XPending(display_) > 0) {
    XEvent event{};
    XNextEvent(display_, &event);
    switch (event.type) {
      case MotionNotify:
        records_.push_back(PointerRecord(
            "motion", {event.xmotion.x_root, event.xmotion.y_root}));
        break;
      case ButtonPress:
      case ButtonRelease:
        records_.push_back(
            PointerRecord(event.type == ButtonPress ? "press" : "release",
                          {event.xbutton.x_root, event.xbutton.y_root}));
        break;
      case KeyPress:
        key_presses_.push_back(XLookupKeysym(&event.xkey, 0));
        break;
      default:
        break;
    }
  }
}

Window RecordingClient::MakeWindow(ScreenRect rect, unsigned long rgb,
                                   bool managed, bool map) {
  const int screen = DefaultScreen(display_);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = rgb;  // a 24-bit TrueColor screen
  attributes.override_redirect = managed ? False : True;
  attributes.event_mask = StructureNotifyMask;
  const Window window = XCreateWindow(
      display_, RootWindow(display_, screen), rect.left, rect.top,
      static_cast<unsigned>(rect.width), static_cast<unsigned>(rect.height), 0,
      CopyFromParent, InputOutput, CopyFromParent,
      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  windows_.push_back(window);
  if (map) {
    MapAndWait(window);
  }
  XSync(display_, False);  // other connections may use the window at once
  return window;
}

void RecordingClient::MapAndWait(Window window) {
  XSync(display_, False);
  const std::string id = std::to_string(window);
  Xdotool({"windowmap", "--sync", id, "windowraise", id});
}

void RecordingClient::FocusAndWatchKeys(Window window) {
  XSelectInput(display_, window,
               KeyPressMask | KeyReleaseMask | StructureNotifyMask);
  XSync(display_, False);
  Xdotool({"windowfocus", "--sync", std::to_string(window)});
}

std::vector<KeySym> RecordingClient::TakeKeyPresses() {
  XSync(display_, False);
  Drain();
  return std::exchange(key_presses_, {});
}

}  // namespace scrivlet::testing
