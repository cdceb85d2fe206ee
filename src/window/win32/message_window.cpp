#include "window/win32/message_window.h"

#include <string>

namespace scrivlet {
namespace {

constexpr int kWidth = 360;  // pixels at 96 DPI
constexpr int kHeight = 150;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

int Scaled(int pixels, int dpi) { return ::MulDiv(pixels, dpi, 96); }

void RegisterClassOnce(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW type{};
  if (::GetClassInfoExW(instance, kMessageWindowClass, &type) != FALSE) {
    return;
  }
  type.cbSize = sizeof(type);
  type.lpfnWndProc = procedure;
  type.hInstance = instance;
  type.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  type.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  type.lpszClassName = kMessageWindowClass;
  ::RegisterClassExW(&type);
}

}  // namespace

MessageWindow::~MessageWindow() {
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
  }
}

LRESULT CALLBACK MessageWindow::Proc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) {
  auto* self = reinterpret_cast<MessageWindow*>(
      ::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        ::DestroyWindow(window);
      }
      return 0;
    case WM_CLOSE:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      if (self != nullptr) {
        self->window_ = nullptr;
      }
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

void MessageWindow::Show(HWND owner, HFONT font, int dpi,
                         std::wstring_view caption, std::wstring_view text) {
  const std::wstring body(text);
  if (window_ == nullptr) {
    auto* const instance =
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    RegisterClassOnce(instance, &MessageWindow::Proc);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, Scaled(kWidth, dpi), Scaled(kHeight, dpi)};
    ::AdjustWindowRectExForDpi(&frame, style, FALSE, WS_EX_DLGMODALFRAME,
                               static_cast<UINT>(dpi));
    RECT owner_frame{};
    ::GetWindowRect(owner, &owner_frame);
    window_ = ::CreateWindowExW(
        WS_EX_DLGMODALFRAME, kMessageWindowClass, std::wstring(caption).c_str(),
        style, owner_frame.left + Scaled(40, dpi),
        owner_frame.top + Scaled(60, dpi), frame.right - frame.left,
        frame.bottom - frame.top, owner, nullptr, instance, nullptr);
    if (window_ == nullptr) {
      return;  // nothing more can be shown; the window keeps working
    }
    ::SetWindowLongPtrW(window_, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(this));
    const int margin = Scaled(kMargin, dpi);
    const int width = Scaled(kWidth, dpi);
    const int height = Scaled(kHeight, dpi);
    const int button_width = Scaled(kButtonWidth, dpi);
    const int button_height = Scaled(kButtonHeight, dpi);
    HWND label = ::CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, margin, margin,
        width - 2 * margin, height - 3 * margin - button_height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageTextId)), instance,
        nullptr);
    HWND ok = ::CreateWindowExW(
        0, L"BUTTON", L"OK",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
        (width - button_width) / 2, height - margin - button_height,
        button_width, button_height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), instance, nullptr);
    for (HWND child : {label, ok}) {
      ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    ::MessageBeep(MB_ICONWARNING);
  }
  ::SetDlgItemTextW(window_, kMessageTextId, body.c_str());
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace scrivlet
