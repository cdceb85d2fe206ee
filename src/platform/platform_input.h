#pragma once

// The one interface between Scrivlet and the desktop.
//
// Everything the drawing engine and the main window do to the desktop goes
// through PlatformInput: synthetic mouse events, the global key state, the
// pointer position, the desktop's size, a window's z-order band and reading
// the screen back. Backends (X11; Wayland through wlroots, KDE or GNOME;
// Win32) implement only these primitives; the delivery pacing that lets
// real paint programs keep up wraps a backend as another PlatformInput (see
// delivery/delivery_pacer.h), so the policy exists once.
//
// Units and origin: screen pixels in the desktop's own coordinates. The area
// that absolute coordinates span is DesktopBounds(); on a single monitor it
// starts at 0, 0, while a monitor left of or above the primary one makes its
// left or top negative (Windows).
//
// Threading: every call is made on the user-interface thread.
//
// Errors: a backend that cannot do what is asked throws PlatformError with a
// message that names what is missing. Nothing fails silently.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace scrivlet {

// A colour as the desktop reports it: 0x00BBGGRR, red in the lowest byte.
using COLORREF = std::uint32_t;

// The invalid colour; the engine reads it as white.
inline constexpr COLORREF kInvalidColour = 0xFFFFFFFFU;

// The colour of a 32-bit pixel that keeps red in bits 16..23 (xRGB: a DIB,
// most shared-memory frames); COLORREF keeps red in the lowest byte.
constexpr COLORREF ColourOfXrgb(std::uint32_t pixel) {
  return ((pixel >> 16U) & 0xFFU) | (pixel & 0xFF00U) |
         ((pixel & 0xFFU) << 16U);
}

// Mouse event flag words, with the values Windows gives them, so that an
// event stream reads the same on every desktop.
inline constexpr std::uint32_t MOUSEEVENTF_MOVE = 0x0001;
inline constexpr std::uint32_t MOUSEEVENTF_LEFTDOWN = 0x0002;
inline constexpr std::uint32_t MOUSEEVENTF_LEFTUP = 0x0004;
inline constexpr std::uint32_t MOUSEEVENTF_ABSOLUTE = 0x8000;

// Virtual-key codes of the two hot keys.
inline constexpr int VK_F7 = 0x76;
inline constexpr int VK_F8 = 0x77;

// Key-state bits of GetAsyncKeyState.
inline constexpr std::uint16_t kKeyDown = 0x8000;
inline constexpr std::uint16_t kKeyPressedSinceLastQuery = 0x0001;
// Down now and pressed since the previous query: a fresh press.
inline constexpr std::uint16_t kFreshKeyPress =
    kKeyDown | kKeyPressedSinceLastQuery;

// Absolute mouse coordinates span 0..kAbsoluteSpan over the desktop area.
inline constexpr std::int32_t kAbsoluteSpan = 65535;

struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// The rectangle, in screen pixels, that absolute coordinates 0..65535 span.
struct DesktopArea {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const DesktopArea&, const DesktopArea&) = default;
};

// A rectangle of the screen, in screen pixels.
struct ScreenRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The colours of a rectangle of the screen, row by row. A pixel that could
// not be read (off the screen) holds nullopt.
struct ScreenImage {
  ScreenRect area;
  std::vector<std::optional<COLORREF>> pixels;

  // The colour at a screen point; nullopt outside the area or unreadable.
  [[nodiscard]] std::optional<COLORREF> At(ScreenPoint at) const {
    const std::int64_t col = std::int64_t{at.x} - area.left;
    const std::int64_t row = std::int64_t{at.y} - area.top;
    if (col < 0 || row < 0 || col >= area.width || row >= area.height) {
      return std::nullopt;
    }
    return pixels[static_cast<std::size_t>(row * area.width + col)];
  }
};

// An image of `area` in which no pixel has been read yet (an empty one for
// an empty area): backends fill in the part they can read.
[[nodiscard]] inline ScreenImage UnreadScreenImage(ScreenRect area) {
  if (area.width <= 0 || area.height <= 0) {
    return {{area.left, area.top, 0, 0}, {}};
  }
  return {area, std::vector<std::optional<COLORREF>>(
                    static_cast<std::size_t>(area.width) *
                    static_cast<std::size_t>(area.height))};
}

// An image of `area` whose every pixel is `colour_at` of its screen point.
template <typename ColourAt>
[[nodiscard]] ScreenImage ImageOf(ScreenRect area, ColourAt colour_at) {
  ScreenImage image = UnreadScreenImage(area);
  for (std::int32_t row = 0; row < image.area.height; ++row) {
    for (std::int32_t col = 0; col < image.area.width; ++col) {
      image.pixels[static_cast<std::size_t>(row) *
                       static_cast<std::size_t>(area.width) +
                   static_cast<std::size_t>(col)] =
          colour_at(ScreenPoint{area.left + col, area.top + row});
    }
  }
  return image;
}

// The part of `area` that lies on the desktop; 0 wide or high where none.
[[nodiscard]] inline ScreenRect ClipToDesktop(ScreenRect area,
                                              DesktopArea desktop) {
  const std::int32_t left = std::max(area.left, desktop.left);
  const std::int32_t top = std::max(area.top, desktop.top);
  const std::int32_t right =
      std::min(area.left + area.width, desktop.left + desktop.width);
  const std::int32_t bottom =
      std::min(area.top + area.height, desktop.top + desktop.height);
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

// A native top-level window: an X11 Window id or a Win32 HWND.
using NativeWindow = std::uintptr_t;

// The z-order bands a window can be put in (HWND_TOPMOST / HWND_NOTOPMOST).
enum class ZOrder : std::uint8_t { Topmost, NotTopmost };

// Whether the events mouse_event sends reach the windows.
enum class InputDelivery : std::uint8_t {
  Delivered,
  // Another program holds the pointer (an open popup menu, a screenshot
  // tool choosing an area): every event goes to it until it lets go.
  HeldByAnotherProgram,
};

// The desktop is missing something Scrivlet needs, or refused a request.
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PlatformInput {
 public:
  PlatformInput() = default;
  PlatformInput(const PlatformInput&) = delete;
  PlatformInput& operator=(const PlatformInput&) = delete;
  PlatformInput(PlatformInput&&) = delete;
  PlatformInput& operator=(PlatformInput&&) = delete;
  virtual ~PlatformInput() = default;

  // The pointer position in screen pixels.
  virtual ScreenPoint GetCursorPos() = 0;

  // Queues one synthetic mouse event, in call order, and returns before the
  // target has handled it. `flags` combines MOUSEEVENTF_* words.
  // With MOUSEEVENTF_ABSOLUTE, (dx, dy) are normalised coordinates
  // 0..65535 over DesktopBounds(); otherwise a move is relative, in mouse
  // units: exact pixels on X11, scaled by the pointer speed on Windows.
  // A button flag without MOUSEEVENTF_MOVE presses or releases the button
  // where the pointer stands.
  virtual void mouse_event(std::uint32_t flags, std::int32_t dx,
                           std::int32_t dy) = 0;

  // A 16-bit state word for a virtual key: kKeyDown while the key is down,
  // kKeyPressedSinceLastQuery if it was pressed since the previous query for
  // that key (even when it was released again in between). Seen whichever
  // window has the keyboard focus.
  virtual std::uint16_t GetAsyncKeyState(int virtual_key) = 0;

  // The area absolute coordinates span, in screen pixels.
  virtual DesktopArea DesktopBounds() = 0;

  // Puts a top-level window into a z-order band; position and size stay.
  virtual void SetWindowPos(NativeWindow window, ZOrder order) = 0;

  // The colour shown on the screen at a point, or nullopt where the screen
  // cannot be read back there. Used to confirm that a dot has landed.
  virtual std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) = 0;

  // The colour the window under a point has drawn there, which a compositor
  // shows only at its next frame: it tells that the target has handled an
  // event, not that the user sees it yet. Where the desktop cannot tell the
  // two apart, what the screen shows.
  virtual std::optional<COLORREF> ReadDrawnPixel(ScreenPoint at) {
    return ReadScreenPixel(at);
  }

  // Whether a read of the screen comes only once the desktop has taken
  // every event sent before it, while what the target draws shows only in a
  // later frame of the compositor's, which may come long after under load,
  // and cannot be read before it does (ReadDrawnPixel reads the screen):
  // GNOME's screen cast. A dot taken and not yet shown may be on its way.
  virtual bool TakenInputShowsLate() { return false; }

  // The colours of a whole rectangle at once, so that many dots in flight
  // are confirmed by one read of the screen. This default reads pixel by
  // pixel; backends override it with one capture of the region.
  virtual ScreenImage CaptureScreenRegion(ScreenRect area) {
    return ImageOf(area,
                   [this](ScreenPoint at) { return ReadScreenPixel(at); });
  }

  // Blocks until every event queued so far has reached the desktop.
  virtual void Flush() = 0;

  // Whether the desktop tells WaitForScreenChange when something is drawn.
  // Where it does not, delivery looks at the screen on a timer instead.
  virtual bool ReportsScreenChanges() { return false; }

  // Sends the events queued so far, then waits until something may have
  // been drawn in `area` since the screen was last read (a capture or a
  // pixel read), or `timeout` has passed; true in the first case. This
  // default cannot tell: it sleeps the whole time and says the screen may
  // have changed.
  virtual bool WaitForScreenChange(ScreenRect /*area*/,
                                   std::chrono::microseconds timeout) {
    std::this_thread::sleep_for(timeout);
    return true;
  }

  // The same for what ReadDrawnPixel reads at `at`: whether the desktop
  // tells when the window there draws, before any compositor shows it,
  // and the wait for that since the last ReadDrawnPixel.
  virtual bool ReportsDrawnChanges() { return false; }
  virtual bool WaitForDrawnChange(ScreenPoint /*at*/,
                                  std::chrono::microseconds timeout) {
    std::this_thread::sleep_for(timeout);
    return true;
  }

  // The draw trigger brackets every drawing with these, also one that ends
  // in an error, so that delivery can tell one drawing from the next.
  virtual void DrawingStarted() {}
  virtual void DrawingEnded() {}
  // Told before DrawingEnded when the drawing stopped short (F8, also one
  // a layer in front answered, the window closing, the program ending) or
  // its desktop changed: what delivery still holds of it is not sent.
  virtual void DrawingAborted() {}
  // A drawing in the target's own colours is about to click the swatch at
  // `swatch` (screen pixels), which selects `colour` there; the dots that
  // follow, up to the next call or the drawing's end, should show that
  // colour. Delivery checks them by it; backends have nothing to do.
  virtual void InkChosen(ScreenPoint /*swatch*/, COLORREF /*colour*/) {}

  // Whether the events sent now reach the windows. Asked when dots did not
  // show: a loss while another program holds the pointer is not the
  // target's. Costs a round trip. Backends that cannot tell say Delivered.
  virtual InputDelivery SyntheticInputDelivery() {
    return InputDelivery::Delivered;
  }

  // Whether the desktop's area changed since DrawingStarted, even if it is
  // back as it was: dots placed for the old area land elsewhere. A backend
  // that tells sends no press after the change. Others say false, and the
  // drawing compares DesktopBounds() now and then.
  virtual bool DesktopChangedDuringDrawing() { return false; }

  // Dots of the drawing that ended last that were expected to show and
  // never did, although delivery sent them again; 0 where it cannot tell.
  virtual int DotsNotLanded() { return 0; }
};

}  // namespace scrivlet
