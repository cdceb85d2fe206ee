#include "baseline_injectors.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <thread>
#include <utility>

namespace scrivlet::bench {
namespace {

unsigned long PixelAt(Display* display, ScreenPoint at) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), at.x, at.y, 1,
                            1, AllPlanes, ZPixmap);
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return pixel;
}

}  // namespace

FixedPauseDesktop::FixedPauseDesktop(std::unique_ptr<PlatformInput> target,
                                     std::chrono::microseconds pause)
    : target_(std::move(target)), pause_(pause) {}

void FixedPauseDesktop::mouse_event(std::uint32_t flags, std::int32_t dx,
                                    std::int32_t dy) {
  target_->mouse_event(flags, dx, dy);
  if ((flags & MOUSEEVENTF_LEFTUP) != 0) {
    std::this_thread::sleep_for(pause_);
  }
}

void InjectClosedLoop(Display* display, const std::vector<ScreenPoint>& dots,
                      std::chrono::milliseconds timeout) {
  const int screen = DefaultScreen(display);
  for (const ScreenPoint& dot : dots) {
    const unsigned long before = PixelAt(display, dot);
    XTestFakeMotionEvent(display, screen, dot.x, dot.y, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (PixelAt(display, dot) == before &&
           std::chrono::steady_clock::now() < deadline) {
    }
  }
}

}  // namespace scrivlet::bench
