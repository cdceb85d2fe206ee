#include "test_window.h"

#include <stdexcept>

namespace scrivlet {

void PrintTo(const ScreenPoint& point, std::ostream* out) {
  *out << "(" << point.x << ", " << point.y << ")";
}

}  // namespace scrivlet

namespace scrivlet::testing {
namespace {

constexpr wchar_t kClassName[] = L"ScrivletTestWindow";

void RegisterClassOnce(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    // IDC_ARROW, which <windows.h> spells for the narrow-character API.
    window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    window_class.lpszClassName = kClassName;
    return ::RegisterClassW(&window_class) != 0;
  }();
  if (!registered) {
    throw std::runtime_error("RegisterClassW failed");
  }
}

// Handles every message waiting for this thread.
void DispatchPending() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    ::DispatchMessageW(&message);
  }
}

}  // namespace

void PrintTo(const ButtonMessage& message, std::ostream* out) {
  *out << (message.kind == ButtonMessage::Kind::Down ? "down " : "up ");
  PrintTo(message.at, out);
}

void PumpMessages(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  do {
    DispatchPending();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  } while (std::chrono::steady_clock::now() < end);
  DispatchPending();
}

TestWindow::TestWindow(DesktopArea area, ::COLORREF background)
    : background_(background) {
  RegisterClassOnce(&TestWindow::Procedure);
  handle_ = ::CreateWindowExW(
      WS_EX_TOOLWINDOW, kClassName, L"Scrivlet test target",
      WS_POPUP | WS_VISIBLE, area.left, area.top, area.width, area.height,
      nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
  if (handle_ == nullptr) {
    throw std::runtime_error("CreateWindowExW failed");
  }
  ::UpdateWindow(handle_);
  DispatchPending();
}

TestWindow::~TestWindow() {
  ::DestroyWindow(handle_);
  DispatchPending();
}

std::vector<ButtonMessage> TestWindow::WaitForButtons(
    std::size_t count, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  DispatchPending();
  while (buttons_.size() < count && std::chrono::steady_clock::now() < end) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    DispatchPending();
  }
  return buttons_;
}

LRESULT CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wparam,
                                       LPARAM lparam) {
  // The window keeps its TestWindow in its user data, as a number.
  if (message == WM_NCCREATE) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const LONG_PTR user_data = ::GetWindowLongPtrW(window, GWLP_USERDATA);
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  auto* self = reinterpret_cast<TestWindow*>(user_data);
  if (self != nullptr && self->handle_ == window) {
    switch (message) {
      case WM_LBUTTONDOWN:
        self->Record(ButtonMessage::Kind::Down, lparam);
        return 0;
      case WM_LBUTTONUP:
        self->Record(ButtonMessage::Kind::Up, lparam);
        return 0;
      case WM_PAINT:
        self->Paint();
        return 0;
      default:
        break;
    }
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

void TestWindow::Record(ButtonMessage::Kind kind, LPARAM lparam) {
  // Client coordinates are signed 16-bit words.
  POINT point{static_cast<std::int16_t>(LOWORD(lparam)),
              static_cast<std::int16_t>(HIWORD(lparam))};
  ::ClientToScreen(handle_, &point);
  buttons_.push_back({kind, {point.x, point.y}});
}

void TestWindow::Paint() {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(handle_, &paint);
  HBRUSH brush = ::CreateSolidBrush(background_);
  RECT client{};
  ::GetClientRect(handle_, &client);
  ::FillRect(dc, &client, brush);
  ::DeleteObject(brush);
  ::EndPaint(handle_, &paint);
}

}  // namespace scrivlet::testing
