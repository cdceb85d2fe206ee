// The Windows desktop: synthetic mouse input through SendInput, the global key
// state, the pointer position, the virtual desktop's bounds, z-order and the
// screen's pixels. The process is made per-monitor DPI aware when the desktop
// opens, so every coordinate here is a physical pixel, on scaled displays too.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop.h"
#include "platform/key_latch.h"
#include "platform/win32/virtual_desk_coordinates.h"
#include "platform/win32/win32_api.h"

namespace scrivlet {
namespace {

// The system's own text for an error code, in UTF-8 (the user's language may
// be anything, the ANSI code page too), without the closing full stop.
std::string SystemMessage(DWORD code) {
  std::array<wchar_t, 512> wide{};
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, wide.data(), static_cast<DWORD>(wide.size()), nullptr);
  std::array<char, 2048> text{};
  const int bytes = ::WideCharToMultiByte(
      CP_UTF8, 0, wide.data(), static_cast<int>(length), text.data(),
      static_cast<int>(text.size()), nullptr, nullptr);
  std::string message(text.data(), static_cast<std::size_t>(bytes));
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == '\r' ||
          message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "unknown error" : message;
}

// "<what> failed: <system message> (error <code>)".
[[noreturn]] void ThrowLastError(const std::string& what) {
  const DWORD code = ::GetLastError();
  throw PlatformError(what + " failed: " + SystemMessage(code) + " (error " +
                      std::to_string(code) + ")");
}

bool ThreadIsPerMonitorAware() {
  return ::GetAwarenessFromDpiAwarenessContext(
             ::GetThreadDpiAwarenessContext()) ==
         DPI_AWARENESS_PER_MONITOR_AWARE;
}

// A DPI-unaware process sees a scaled, virtual screen on a display set to
// more than 100%: the pointer position, the desktop's size and every click
// would be off by the scale factor. Qt makes its process per-monitor aware
// before this runs; a bare process (the tests, a tool without Qt) is made so
// here. Where the process's awareness was fixed otherwise (a manifest), the
// calling thread, which makes every call of the desktop, is switched instead.
// Version 2 of per-monitor awareness is preferred; where it is unknown
// (Wine 8) version 1 gives the same coordinates.
void BecomePerMonitorDpiAware() {
  const DPI_AWARENESS_CONTEXT contexts[] = {
      DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2,
      DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE};
  for (DPI_AWARENESS_CONTEXT context : contexts) {
    if (ThreadIsPerMonitorAware() ||
        ::SetProcessDpiAwarenessContext(context) != FALSE) {
      break;
    }
  }
  for (DPI_AWARENESS_CONTEXT context : contexts) {
    if (ThreadIsPerMonitorAware()) {
      return;
    }
    ::SetThreadDpiAwarenessContext(context);
  }
  if (!ThreadIsPerMonitorAware()) {
    throw PlatformError(
        "Scrivlet could not make itself per-monitor DPI aware, so its screen "
        "coordinates would be scaled; Windows 10 version 1703 or later is "
        "needed");
  }
}

class Win32Desktop final : public PlatformInput {
 public:
  Win32Desktop() { BecomePerMonitorDpiAware(); }

  ScreenPoint GetCursorPos() override {
    POINT point{};
    if (::GetCursorPos(&point) == FALSE) {
      ThrowLastError("Reading the pointer position (GetCursorPos)");
    }
    return {point.x, point.y};
  }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    constexpr std::uint32_t kKnownFlags =
        MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP |
        MOUSEEVENTF_ABSOLUTE;
    if ((flags & ~kKnownFlags) != 0) {
      throw PlatformError("Unsupported mouse event flags " +
                          std::to_string(flags));
    }
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags & (MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
    if ((flags & MOUSEEVENTF_MOVE) != 0 &&
        (flags & MOUSEEVENTF_ABSOLUTE) == 0) {
      // In mouse units, scaled by the user's pointer speed as Windows does
      // for every relative motion.
      input.mi.dwFlags |= MOUSEEVENTF_MOVE;
      input.mi.dx = dx;
      input.mi.dy = dy;
      placed_at_.reset();
    } else {
      if ((flags & MOUSEEVENTF_MOVE) != 0) {
        // Resend the aimed pixel in Windows' own mapping (see
        // virtual_desk_coordinates.h) so that it lands exactly.
        placed_at_ = AbsoluteToVirtualDesk(dx, dy, DesktopBounds());
      }
      // A button goes down or up where the last absolute move put the
      // pointer, and says so in the same event. Under Wine another program's
      // window under the pointer turns the X server's echo of an earlier
      // pointer jump into a late move of its own, which can pull the pointer
      // back between a move and its click; a click that carries its place
      // lands where it was aimed all the same. On Windows the pointer is
      // already there.
      if (placed_at_) {
        input.mi.dwFlags |=
            MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        input.mi.dx = placed_at_->x;
        input.mi.dy = placed_at_->y;
      }
    }
    if (::SendInput(1, &input, sizeof(input)) != 1) {
      ThrowLastError("Sending a mouse event (SendInput)");
    }
  }

  // The system's word goes through the same latch as X11's notifications,
  // which turns the auto-repeat of a held key into "held", not a new press
  // (see key_latch.h): holding F7 must start one drawing, not one a repeat.
  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    if (virtual_key < 0 || virtual_key >= static_cast<int>(latches_.size())) {
      return 0;
    }
    const auto word =
        static_cast<std::uint16_t>(::GetAsyncKeyState(virtual_key));
    KeyLatch& latch = latches_[static_cast<std::size_t>(virtual_key)];
    latch.Polled((word & kKeyDown) != 0,
                 (word & kKeyPressedSinceLastQuery) != 0);
    return latch.Query();
  }

  DesktopArea DesktopBounds() override {
    const DesktopArea area{::GetSystemMetrics(SM_XVIRTUALSCREEN),
                           ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                           ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (area.width <= 0 || area.height <= 0) {
      throw PlatformError("Windows reports no desktop area (no display?)");
    }
    return area;
  }

  void SetWindowPos(NativeWindow window, ZOrder order) override {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): a handle travels as a number.
    HWND handle = reinterpret_cast<HWND>(window);
    HWND band = order == ZOrder::Topmost ? HWND_TOPMOST : HWND_NOTOPMOST;
    if (::SetWindowPos(handle, band, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) ==
        FALSE) {
      ThrowLastError("Changing a window's z-order (SetWindowPos)");
    }
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
      return std::nullopt;
    }
    const ::COLORREF colour = ::GetPixel(screen, at.x, at.y);
    ::ReleaseDC(nullptr, screen);
    if (colour == CLR_INVALID) {
      return std::nullopt;
    }
    return static_cast<COLORREF>(colour);
  }

  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    // Only the part on the virtual desktop is read; the rest stays
    // unreadable, as GetPixel leaves it.
    ScreenImage image = UnreadScreenImage(area);
    const ScreenRect on_desk = ClipToDesktop(area, DesktopBounds());
    if (image.pixels.empty() || on_desk.width == 0 || on_desk.height == 0) {
      return image;
    }
    const std::int32_t left = on_desk.left;
    const std::int32_t top = on_desk.top;
    const std::int32_t right = left + on_desk.width;
    const std::int32_t bottom = top + on_desk.height;
    const int width = right - left;
    const int height = bottom - top;
    // One BitBlt of the region into a 32-bit DIB section: under the
    // compositor every GetPixel waits for the composed screen, so reading a
    // region pixel by pixel would take a frame per pixel.
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
      return image;
    }
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = memory != nullptr
                         ? ::CreateDIBSection(memory, &info, DIB_RGB_COLORS,
                                              &bits, nullptr, 0)
                         : nullptr;
    HGDIOBJ previous =
        bitmap != nullptr ? ::SelectObject(memory, bitmap) : nullptr;
    // CAPTUREBLT takes layered windows in too, as the screen shows them.
    const bool copied =
        bitmap != nullptr && ::BitBlt(memory, 0, 0, width, height, screen, left,
                                      top, SRCCOPY | CAPTUREBLT) != 0;
    if (copied) {
      ::GdiFlush();
      const auto* pixels = static_cast<const std::uint32_t*>(bits);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          image.pixels[static_cast<std::size_t>(y + top - area.top) *
                           static_cast<std::size_t>(area.width) +
                       static_cast<std::size_t>(x + left - area.left)] =
              ColourOfXrgb(pixels[static_cast<std::size_t>(y) *
                                      static_cast<std::size_t>(width) +
                                  static_cast<std::size_t>(x)]);
        }
      }
    }
    if (previous != nullptr) {
      ::SelectObject(memory, previous);
    }
    if (bitmap != nullptr) {
      ::DeleteObject(bitmap);
    }
    if (memory != nullptr) {
      ::DeleteDC(memory);
    }
    ::ReleaseDC(nullptr, screen);
    return image;
  }

  // SendInput hands every event to the system's input stream before it
  // returns, one call per event: nothing is held back here.
  void Flush() override {}

 private:
  // One latch per virtual key.
  std::array<KeyLatch, 256> latches_{};
  // Where the last absolute move sent the pointer, in SendInput's virtual
  // desktop units; none after a relative move.
  std::optional<ScreenPoint> placed_at_;
};

}  // namespace

std::unique_ptr<PlatformInput> OpenNativeDesktop() {
  return std::make_unique<Win32Desktop>();
}

}  // namespace scrivlet
