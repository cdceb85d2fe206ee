#include "click_to_focus_grab.h"

#include <X11/Xlib.h>

#include <stdexcept>

namespace scrivlet::testing {

ClickToFocusGrab::ClickToFocusGrab(Window window,
                                   std::chrono::microseconds reaction)
    : display_(XOpenDisplay(nullptr), &XCloseDisplay), reaction_(reaction) {
  if (display_ == nullptr) {
    throw std::runtime_error("The grabbing client cannot open the X display");
  }
  XGrabButton(display_.get(), Button1, AnyModifier, window, False,
              ButtonPressMask, GrabModeSync, GrabModeAsync, None, None);
  XSync(display_.get(), False);
  replayer_ = std::jthread(
      [this](const std::stop_token& stop) { ReplayPresses(stop); });
}

void ClickToFocusGrab::ReplayPresses(const std::stop_token& stop) {
  while (!stop.stop_requested()) {
    while (XPending(display_.get()) > 0) {
      XEvent event{};
      XNextEvent(display_.get(), &event);
      if (event.type == ButtonPress) {
        std::this_thread::sleep_for(reaction_);
        XAllowEvents(display_.get(), ReplayPointer, event.xbutton.time);
        XFlush(display_.get());
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

}  // namespace scrivlet::testing
