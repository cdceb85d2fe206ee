#pragma once

// The window's one message box: not modal, so a message never holds up the
// window or a drawing. Showing a message while the box is open replaces its
// text and raises it.

#include <string_view>

#include "platform/win32/win32_api.h"

namespace scrivlet {

class MessageWindow {
 public:
  MessageWindow() = default;
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  MessageWindow(MessageWindow&&) = delete;
  MessageWindow& operator=(MessageWindow&&) = delete;

  // `owner` keeps the box above it; `font` is used for its text.
  void Show(HWND owner, HFONT font, int dpi, std::wstring_view caption,
            std::wstring_view text);
  [[nodiscard]] HWND hwnd() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam,
                               LPARAM lparam);
  HWND window_ = nullptr;
};

// The box's window class and its text's control id, for tests that read it.
inline constexpr const wchar_t* kMessageWindowClass = L"ScrivletMessage";
inline constexpr int kMessageTextId = 10;

}  // namespace scrivlet
