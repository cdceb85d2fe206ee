#pragma once

// Reading the X screen back, and DAMAGE on the root window, which says when
// something was drawn, so that delivery looks at the screen right after a
// target painted.

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <optional>

#include "platform/platform_input.h"
#include "platform/x11/x11_errors.h"

namespace scrivlet {

class X11Screen {
 public:
  X11Screen(Display* display, Window root, X11ErrorCapture& errors);

  // The colour at a point of `bounds`, the screen's area; nullopt outside
  // it or where the read fails.
  std::optional<COLORREF> ReadPixel(ScreenPoint at, const DesktopArea& bounds);
  // The colour the deepest window at `at` has drawn there, read from that
  // window (under a compositor, its own pixmap) rather than from the
  // screen; the screen's colour where the window cannot be read.
  std::optional<COLORREF> ReadDrawn(ScreenPoint at, const DesktopArea& bounds);
  // The part of `area` on the screen in one read; the rest stays unread.
  ScreenImage Capture(ScreenRect area, const DesktopArea& bounds);

  // Whether the server reports drawing (it has DAMAGE).
  [[nodiscard]] bool reports_changes() const { return damage_ != 0; }
  // Something was drawn since the last read, or cannot be told.
  [[nodiscard]] bool drawn_since_read() const {
    return damage_ == 0 || damaged_;
  }
  // The window ReadDrawn reads at `at` may have drawn since it was last
  // read there: DAMAGE on that window, which reports the window's own
  // drawing, under a compositor a frame before the screen shows it. True
  // where that cannot be told (no such window known yet).
  [[nodiscard]] bool drawn_since_read(ScreenPoint at) const;
  // Takes a DAMAGE event; false for every other event.
  bool Handle(const XEvent& event);
  // A new drawing looks for the windows under its pixels afresh.
  void ForgetWindows();

 private:
  void RearmDamage();
  // Watches `window` for drawing in place of the window watched before.
  void WatchDrawn(Window window);
  void StopWatching();
  // One pixel of a window, in its coordinates; nullopt where it has none
  // (input only, gone) or they are not in the screen's format.
  std::optional<COLORREF> ReadWindowPixel(Window window, int x, int y);
  COLORREF ToColorref(unsigned long pixel);

  Display* display_;
  Window root_;
  X11ErrorCapture& errors_;
  // The window ReadDrawn read last, and where it is on the screen.
  struct DrawnWindow {
    Window window;
    ScreenRect area;
  };
  std::optional<DrawnWindow> drawn_window_;
  // DAMAGE on the window ReadDrawn read last, and like the root's: its
  // window, whether it reported drawing since the read, and the read's
  // serial.
  Damage drawn_damage_ = 0;
  Window watched_ = None;
  bool drawn_damaged_ = false;
  unsigned long drawn_fresh_serial_ = 0;
  Damage damage_ = 0;
  int damage_event_base_ = 0;
  // Something was drawn since the last read of the screen.
  bool damaged_ = false;
  // The serial of that read: reports generated before it are stale.
  unsigned long fresh_serial_ = 0;
};

}  // namespace scrivlet
