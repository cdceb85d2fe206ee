#include "window/win32/win32_picture_box.h"

namespace scrivlet {
namespace {

void Paint(HWND window, const Picture* shown) {
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  if (shown != nullptr && !shown->empty()) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shown->width;
    info.bmiHeader.biHeight = -shown->height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(shown->width),
                        static_cast<DWORD>(shown->height), 0, 0, 0,
                        static_cast<UINT>(shown->height), shown->argb.data(),
                        &info, DIB_RGB_COLORS);
  }
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wparam,
                             LPARAM lparam) {
  const auto* state = reinterpret_cast<const PictureBoxState*>(
      ::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (state == nullptr) {
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  switch (message) {
    case WM_PAINT:
      Paint(window, state->shown);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole inner area
    case WM_LBUTTONDOWN:
      ::SetFocus(window);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (state->double_click) {
        state->double_click();
      }
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

void RegisterPictureBoxClass(HINSTANCE instance) {
  WNDCLASSEXW type{};
  type.cbSize = sizeof(type);
  type.style = CS_DBLCLKS;
  type.hInstance = instance;
  type.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  type.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  type.hIconSm = type.hIcon;
  type.hbrBackground = nullptr;  // painted whole by the picture
  type.lpfnWndProc = &PictureProc;
  type.lpszClassName = kPictureClass;
  ::RegisterClassExW(&type);
}

void ShowInPictureBox(HWND box, PictureBoxState& state, const Picture& shown) {
  state.shown = &shown;
  RECT frame{0, 0, shown.width, shown.height};
  ::AdjustWindowRectEx(
      &frame, static_cast<DWORD>(::GetWindowLongW(box, GWL_STYLE)), FALSE,
      static_cast<DWORD>(::GetWindowLongW(box, GWL_EXSTYLE)));
  ::SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(box, nullptr, FALSE);
}

}  // namespace scrivlet
