#include "painting_cover.h"

#include <chrono>
#include <stdexcept>
#include <utility>

namespace scrivlet::testing {

void HoldPointer(Display* display, std::chrono::milliseconds duration) {
  XGrabPointer(display, DefaultRootWindow(display), False, 0, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
  XSync(display, False);
  std::this_thread::sleep_for(duration);
  XUngrabPointer(display, CurrentTime);
  XSync(display, False);
}

PaintingCover::PaintingCover(int after_presses,
                             std::function<bool(Display*)> interlude)
    : display_(XOpenDisplay(nullptr)),
      after_presses_(after_presses),
      interlude_(std::move(interlude)) {
  if (display_ == nullptr) {
    throw std::runtime_error("The painting cover cannot open the X display");
  }
  const int screen = DefaultScreen(display_);
  XSetWindowAttributes attributes{};
  attributes.background_pixel = WhitePixel(display_, screen);
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask | ExposureMask;
  window_ = XCreateWindow(
      display_, RootWindow(display_, screen), 0, 0,
      static_cast<unsigned>(DisplayWidth(display_, screen)),
      static_cast<unsigned>(DisplayHeight(display_, screen)), 0, CopyFromParent,
      InputOutput, CopyFromParent,
      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  XSelectInput(display_, RootWindow(display_, screen), StructureNotifyMask);
  gc_ = XCreateGC(display_, window_, 0, nullptr);
  XSetForeground(display_, gc_, BlackPixel(display_, screen));
  XMapRaised(display_, window_);
  // Shown and white before the first dot is aimed at it.
  for (XEvent event{}; event.type != Expose;) {
    XWindowEvent(display_, window_, ExposureMask, &event);
  }
  XSync(display_, False);
  thread_ = std::jthread([this](const std::stop_token& stop) { Run(stop); });
}

PaintingCover::~PaintingCover() {
  thread_.request_stop();
  thread_.join();
  XFreeGC(display_, gc_);
  XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
}

void PaintingCover::Run(const std::stop_token& stop) {
  int presses = 0;
  bool resized = false;
  bool painting = true;
  while (!stop.stop_requested()) {
    while (XPending(display_) > 0) {
      XEvent event{};
      XNextEvent(display_, &event);
      if (event.type == ConfigureNotify &&
          event.xconfigure.window == DefaultRootWindow(display_)) {
        resized = true;
      }
      if (event.type != ButtonPress) {
        continue;
      }
      after_resize_ += resized ? 1 : 0;
      if (painting) {
        XDrawPoint(display_, window_, gc_, event.xbutton.x, event.xbutton.y);
        XFlush(display_);
      }
      if (++presses == after_presses_ && interlude_) {
        painting = interlude_(display_);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

}  // namespace scrivlet::testing
