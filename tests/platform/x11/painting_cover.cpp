#include "painting_cover.h"

#include <chrono>
#include <utility>

namespace scrivlet::testing {

PaintingCover::PaintingCover(int after_presses,
                             std::function<bool(Display*)> interlude)
    : after_presses_(after_presses), interlude_(std::move(interlude)) {
  Display* display = client_.display();
  const DesktopArea area = client_.ScreenArea();
  // Shown and white before the first dot is aimed at it.
  window_ = client_.MakeWindow({0, 0, area.width, area.height}, 0xFFFFFF,
                               /*managed=*/false);
  XSelectInput(display, window_, ButtonPressMask);
  XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask);
  XSync(display, False);
  thread_ = std::jthread([this](const std::stop_token& stop) { Run(stop); });
}

void PaintingCover::Run(const std::stop_token& stop) {
  Display* display = client_.display();
  GC gc = XCreateGC(display, window_, 0, nullptr);
  int presses = 0;
  bool resized = false;
  bool painting = true;
  while (!stop.stop_requested()) {
    while (XPending(display) > 0) {
      XEvent event{};
      XNextEvent(display, &event);
      if (event.type == ConfigureNotify &&
          event.xconfigure.window == DefaultRootWindow(display)) {
        resized = true;
      }
      if (event.type != ButtonPress) {
        continue;
      }
      after_resize_ += resized ? 1 : 0;
      if (painting) {
        XDrawPoint(display, window_, gc, event.xbutton.x, event.xbutton.y);
        XFlush(display);
      }
      if (++presses == after_presses_ && interlude_) {
        painting = interlude_(display);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  XFreeGC(display, gc);
}

}  // namespace scrivlet::testing
