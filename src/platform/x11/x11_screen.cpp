#include "platform/x11/x11_screen.h"

#include <X11/Xutil.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace scrivlet {
namespace {

// One colour channel of a TrueColor pixel, scaled to 0..255.
std::uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  const int shift = std::countr_zero(mask);
  const unsigned long max = mask >> shift;
  const unsigned long value = (pixel & mask) >> shift;
  return static_cast<std::uint32_t>((value * 255 + max / 2) / max);
}

// Windows nested deeper than this at one point are read at this depth.
constexpr int kMaxWindowDepth = 16;

bool Contains(const ScreenRect& rect, ScreenPoint at) {
  return at.x >= rect.left && at.y >= rect.top &&
         at.x < rect.left + rect.width && at.y < rect.top + rect.height;
}

}  // namespace

// DAMAGE on the root window reports drawing anywhere on a screen that is
// not composited: windows there draw straight into the root's pixels.
// Under a compositor it reports the composited output. It is reported once
// until re-armed (DamageReportNonEmpty), which each read of the screen
// does, so a busy screen wakes delivery at most once per read. (Reports of
// each growing box, DamageReportBoundingBox, would tell where, but with
// them Xlib lost track of the connection's sequence numbers within a
// drawing on Xvfb.) A server without DAMAGE leaves delivery on its timer.
X11Screen::X11Screen(Display* display, Window root, X11ErrorCapture& errors)
    : display_(display), root_(root), errors_(errors) {
  int error_base = 0;
  if (XDamageQueryExtension(display_, &damage_event_base_, &error_base) ==
      False) {
    return;
  }
  damage_ = XDamageCreate(display_, root_, XDamageReportNonEmpty);
  if (errors_.SyncAndTakeError()) {
    damage_ = 0;
  }
}

std::optional<COLORREF> X11Screen::ReadPixel(ScreenPoint at,
                                             const DesktopArea& bounds) {
  if (at.x < bounds.left || at.y < bounds.top ||
      at.x >= bounds.left + bounds.width ||
      at.y >= bounds.top + bounds.height) {
    return std::nullopt;
  }
  // Reading the root window gives what the screen shows there, whichever
  // window it belongs to. The X server hides a software cursor from reads,
  // so the pointer itself never shows up in the colour.
  RearmDamage();
  XImage* image =
      XGetImage(display_, root_, at.x, at.y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) {
    errors_.SyncAndClear();
    return std::nullopt;
  }
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return ToColorref(pixel);
}

std::optional<COLORREF> X11Screen::ReadDrawn(ScreenPoint at,
                                             const DesktopArea& bounds) {
  if (at.x < bounds.left || at.y < bounds.top ||
      at.x >= bounds.left + bounds.width ||
      at.y >= bounds.top + bounds.height) {
    return std::nullopt;
  }
  RearmDamage();
  // The window found last is read again while the point is inside it: the
  // walk down to it costs a round trip per level, and a held stroke reads
  // its pixels several times.
  if (drawn_window_ && Contains(drawn_window_->area, at)) {
    if (drawn_damage_ != 0) {
      XDamageSubtract(display_, drawn_damage_, None, None);
      drawn_damaged_ = false;
      drawn_fresh_serial_ = NextRequest(display_);
    }
    if (const auto colour = ReadWindowPixel(drawn_window_->window,
                                            at.x - drawn_window_->area.left,
                                            at.y - drawn_window_->area.top)) {
      return colour;
    }
  }
  drawn_window_.reset();
  // The windows at the point, root first. A compositor's overlay takes no
  // input, so the walk passes it by, down to the window the target draws in.
  struct Found {
    Window window;
    int x;
    int y;
  };
  std::vector<Found> chain{{root_, at.x, at.y}};
  for (int depth = 0; depth < kMaxWindowDepth; ++depth) {
    Window child = None;
    int x = 0;
    int y = 0;
    if (XTranslateCoordinates(display_, root_, chain.back().window, at.x, at.y,
                              &x, &y, &child) == False) {
      // A window gone meanwhile: read the one above it.
      errors_.SyncAndClear();
      chain.pop_back();
      break;
    }
    chain.back().x = x;
    chain.back().y = y;
    if (child == None || depth + 1 == kMaxWindowDepth) {
      break;
    }
    chain.push_back({child, 0, 0});
  }
  // An input-only window (a toolkit's event window) has no pixels: its
  // parent's are read instead.
  for (std::size_t level = chain.size(); level-- > 0;) {
    const Found& found = chain[level];
    const auto colour = ReadWindowPixel(found.window, found.x, found.y);
    if (!colour) {
      continue;
    }
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    // The root is the screen itself: a window below it that could not be
    // read this time is looked for again at the next read.
    if (level > 0 && XGetGeometry(display_, found.window, &root, &x, &y, &width,
                                  &height, &border, &depth) != False) {
      drawn_window_ = DrawnWindow{
          found.window,
          {at.x - found.x, at.y - found.y, static_cast<std::int32_t>(width),
           static_cast<std::int32_t>(height)}};
      WatchDrawn(found.window);
    }
    return colour;
  }
  return ReadPixel(at, bounds);
}

std::optional<COLORREF> X11Screen::ReadWindowPixel(Window window, int x,
                                                   int y) {
  XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) {
    errors_.SyncAndClear();
    return std::nullopt;
  }
  // Only pixels in the screen's own format are taken: ToColorref reads
  // them by the screen's visual.
  const bool screen_format =
      image->depth == DefaultDepth(display_, DefaultScreen(display_));
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  if (!screen_format) {
    return std::nullopt;
  }
  return ToColorref(pixel);
}

ScreenImage X11Screen::Capture(ScreenRect area, const DesktopArea& bounds) {
  // Only the part on the screen is read; the rest stays unreadable.
  ScreenImage image = UnreadScreenImage(area);
  const ScreenRect on_screen = ClipToDesktop(area, bounds);
  if (image.pixels.empty() || on_screen.width == 0 || on_screen.height == 0) {
    return image;
  }
  const std::int32_t left = on_screen.left;
  const std::int32_t top = on_screen.top;
  const std::int32_t right = left + on_screen.width;
  const std::int32_t bottom = top + on_screen.height;
  // One request for the whole rectangle: a pixel at a time costs a round
  // trip to the server each.
  RearmDamage();
  XImage* shot =
      XGetImage(display_, root_, left, top, static_cast<unsigned>(right - left),
                static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
  if (shot == nullptr) {
    errors_.SyncAndClear();
    return image;
  }
  for (std::int32_t y = top; y < bottom; ++y) {
    for (std::int32_t x = left; x < right; ++x) {
      image.pixels[static_cast<std::size_t>(y - area.top) *
                       static_cast<std::size_t>(area.width) +
                   static_cast<std::size_t>(x - area.left)] =
          ToColorref(XGetPixel(shot, x - left, y - top));
    }
  }
  XDestroyImage(shot);
  return image;
}

bool X11Screen::Handle(const XEvent& event) {
  if (damage_ == 0 || event.type != damage_event_base_ + XDamageNotify) {
    return false;
  }
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): Xlib's way
  const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
  if (notify.damage == damage_) {
    damaged_ = damaged_ || event.xany.serial >= fresh_serial_;
  } else if (drawn_damage_ != 0 && notify.damage == drawn_damage_) {
    drawn_damaged_ = drawn_damaged_ || event.xany.serial >= drawn_fresh_serial_;
  }
  return true;
}

bool X11Screen::drawn_since_read(ScreenPoint at) const {
  return drawn_damage_ == 0 || !drawn_window_ ||
         drawn_window_->window != watched_ ||
         !Contains(drawn_window_->area, at) || drawn_damaged_;
}

// The pixels read were read after the window was found, before it was
// watched: what it drew in between is not known, so it counts as drawn.
void X11Screen::WatchDrawn(Window window) {
  if (damage_ == 0 || window == watched_) {
    return;
  }
  StopWatching();
  drawn_damage_ = XDamageCreate(display_, window, XDamageReportNonEmpty);
  watched_ = window;
  drawn_damaged_ = true;
  // A window gone meanwhile: its damage is gone with it, and the error
  // must not be taken for another request's.
  errors_.SyncAndClear();
}

void X11Screen::ForgetWindows() {
  drawn_window_.reset();
  StopWatching();
}

void X11Screen::StopWatching() {
  if (drawn_damage_ != 0) {
    // Already gone with its window, perhaps: that error is dropped.
    XDamageDestroy(display_, drawn_damage_);
    errors_.SyncAndClear();
  }
  drawn_damage_ = 0;
  watched_ = None;
}

// Forgets the drawing reported so far, just before a read of the screen
// shows its result. A report queued before the read's reply may still
// arrive; its serial, older than the read's, marks it as stale.
void X11Screen::RearmDamage() {
  if (damage_ == 0) {
    return;
  }
  XDamageSubtract(display_, damage_, None, None);
  damaged_ = false;
  fresh_serial_ = NextRequest(display_);
}

COLORREF X11Screen::ToColorref(unsigned long pixel) {
  const Visual* visual = DefaultVisual(display_, DefaultScreen(display_));
  if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
    return Channel(pixel, visual->red_mask) |
           (Channel(pixel, visual->green_mask) << 8U) |
           (Channel(pixel, visual->blue_mask) << 16U);
  }
  // Colour-mapped screens: ask the server what the pixel value shows.
  XColor colour{};
  colour.pixel = pixel;
  XQueryColor(display_, DefaultColormap(display_, DefaultScreen(display_)),
              &colour);
  const auto byte = [](unsigned short value) {
    return static_cast<std::uint32_t>(value >> 8U);
  };
  return byte(colour.red) | (byte(colour.green) << 8U) |
         (byte(colour.blue) << 16U);
}

}  // namespace scrivlet
