#pragma once

// A paint program reduced to what the Windows tests need: a borderless window
// at a given place on the screen with a black pixel wherever the left button
// goes down or moves while down, and a line from where it went down to where
// it comes up, as a line tool draws; painted at once, so that Scrivlet's
// pacer sees each dot and line land. Not along the moves: Wine marks a move
// as held when the next press is on its way.
//
// It belongs to the test's own thread. Under Wine a window of another thread
// (or program) turns the X server's echo of every pointer warp into a late
// pointer move of its own, which can overtake the next synthetic event; the
// thread that warped the pointer knows its echoes and drops them.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/win32/win32_api.h"

namespace scrivlet::testing {

using Pixel = std::pair<int, int>;

class Canvas {
 public:
  explicit Canvas(DesktopArea place, COLORREF background = RGB(255, 255, 255))
      : area(place), brush_(::CreateSolidBrush(background)) {
    WNDCLASSW type{};
    type.lpfnWndProc = &Procedure;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = L"ScrivletTestCanvas";
    ::RegisterClassW(&type);
    // Clicks on it leave the keyboard focus where it was, as with F7 and F8
    // on Windows, which count whichever window has the focus.
    handle_ =
        ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, type.lpszClassName,
                          L"", WS_POPUP, place.left, place.top, place.width,
                          place.height, nullptr, nullptr, type.hInstance, this);
    ::ShowWindow(handle_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(handle_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  Canvas(Canvas&&) = delete;
  Canvas& operator=(Canvas&&) = delete;
  ~Canvas() {
    ::DestroyWindow(handle_);
    ::DeleteObject(brush_);
  }

  [[nodiscard]] HWND handle() const { return handle_; }

  // Handles this thread's messages for `duration`.
  static void Pump(std::chrono::milliseconds duration) {
    const auto until = std::chrono::steady_clock::now() + duration;
    do {
      MSG message{};
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        ::DispatchMessageW(&message);
      }
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < until);
  }

  // Handles them until `done` holds or `timeout` has passed.
  template <typename Done>
  static bool PumpUntil(Done done, std::chrono::milliseconds timeout) {
    for (const auto until = std::chrono::steady_clock::now() + timeout;
         std::chrono::steady_clock::now() < until;) {
      Pump(std::chrono::milliseconds(10));
      if (done()) return true;
    }
    return false;
  }

  DesktopArea area;         // on the screen
  std::set<Pixel> painted;  // screen pixels
  int downs = 0;
  int ups = 0;
  bool button_down = false;
  bool entered = false;  // the pointer has been seen over it

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
    if (message == WM_NCCREATE) {
      // NOLINTNEXTLINE(performance-no-int-to-ptr)
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const LONG_PTR user_data = ::GetWindowLongPtrW(window, GWLP_USERDATA);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    auto* canvas = reinterpret_cast<Canvas*>(user_data);
    if (canvas != nullptr) {
      const POINT at{static_cast<std::int16_t>(LOWORD(lparam)),
                     static_cast<std::int16_t>(HIWORD(lparam))};
      if (message == WM_LBUTTONDOWN) {
        ++canvas->downs;
        canvas->button_down = true;
        canvas->Paint(window, at, at);
        canvas->pressed_ = at;
      } else if (message == WM_MOUSEMOVE) {
        canvas->entered = true;
        if ((wparam & MK_LBUTTON) != 0) canvas->Paint(window, at, at);
      } else if (message == WM_LBUTTONUP) {
        ++canvas->ups;
        canvas->button_down = false;
        canvas->Paint(window, canvas->pressed_, at);
      } else if (message == WM_MOUSEACTIVATE) {
        return MA_NOACTIVATE;
      } else if (message == WM_ERASEBKGND) {
        RECT inside{};
        ::GetClientRect(window, &inside);
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        ::FillRect(reinterpret_cast<HDC>(wparam), &inside, canvas->brush_);
        return 1;
      }
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void Paint(HWND window, POINT from, POINT to) {
    HDC dc = ::GetDC(window);
    const LONG steps =
        std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
    for (LONG i = 0; i <= steps; ++i) {
      POINT at = from;
      if (steps != 0) {
        at.x += (to.x - from.x) * i / steps;
        at.y += (to.y - from.y) * i / steps;
      }
      ::SetPixel(dc, at.x, at.y, RGB(0, 0, 0));
      ::ClientToScreen(window, &at);
      painted.insert({at.x, at.y});
    }
    ::ReleaseDC(window, dc);
  }

  HBRUSH brush_;
  HWND handle_ = nullptr;
  POINT pressed_{};
};

}  // namespace scrivlet::testing
