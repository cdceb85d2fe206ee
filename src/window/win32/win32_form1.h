#pragma once

// Form1 as a native Win32 window: every control of the shared control list,
// placed from the layout table at the window's DPI, with the shared captions
// and fonts, forwarding its events to the toolkit-free Form1Core.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "window/core/controls.h"
#include "window/core/form1_core.h"
#include "window/core/form1_view.h"
#include "window/win32/clipboard_paste.h"
#include "window/win32/message_window.h"
#include "window/win32/open_picture_dialog.h"
#include "window/win32/picture_drop_target.h"
#include "window/win32/win32_controls.h"
#include "window/win32/win32_picture_box.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {

// The main window's class, by which a second start finds the first.
inline constexpr const wchar_t* kFormWindowClass = L"ScrivletForm1";

class Win32Form1 final : public Form1View {
 public:
  // Builds the window hidden, then the core, loads the sample and starts
  // Timer1. Throws PlatformError if Windows refuses the window.
  Win32Form1(HINSTANCE instance, PlatformInput& desktop,
             PictureDecoder& decoder);
  ~Win32Form1() override;
  Win32Form1(const Win32Form1&) = delete;
  Win32Form1& operator=(const Win32Form1&) = delete;
  Win32Form1(Win32Form1&&) = delete;
  Win32Form1& operator=(Win32Form1&&) = delete;

  // What Picture1 shows at start (the built-in sample).
  void SetStartPicture(const Picture& picture);
  void Show(int show_command);
  [[nodiscard]] HWND hwnd() const { return window_; }
  // Keyboard navigation (Tab, arrows, Enter) for the form and the message
  // box; true if the message was handled.
  bool TranslateDialogMessage(MSG& message);

  // Form1View
  [[nodiscard]] std::string GetText(Control control) const override;
  void SetText(Control control, std::string_view text) override;
  [[nodiscard]] CheckValue GetCheck(Control control) const override;
  [[nodiscard]] int SelectedOption() const override;
  void SetCaption(std::string_view text) override;
  void ShowMessage(std::string_view text) override;
  void SetUserInputEnabled(bool enabled) override;
  void SetTimerEnabled(bool enabled) override;
  [[nodiscard]] PixelSize InnerSize() const override;
  [[nodiscard]] Dpi LogicalDpi() const override;
  void SetTabGeometry(PixelRect rect) override;
  [[nodiscard]] NativeWindow NativeHandle() const override;
  bool OpenUrl(const std::string& url) override;
  void ProcessPendingPaint() override;
  void ShowPicture(const Picture& shown) override;
  void SetEnabled(Control control, bool enabled) override {
    ::EnableWindow(Handle(control), enabled ? TRUE : FALSE);
  }
  void ShowInkChip(Control chip, std::optional<COLORREF> colour) override;
  [[nodiscard]] PastedData ReadClipboard() override {
    return ReadClipboardWin32();
  }
  [[nodiscard]] std::optional<std::string> AskForPictureFile() override {
    return AskForPictureFileWin32(window_);
  }
  void Close() override;

 private:
  static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam);
  static LRESULT CALLBACK ControlSubclass(HWND window, UINT message,
                                          WPARAM wparam, LPARAM lparam,
                                          UINT_PTR id, DWORD_PTR data);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int id, int code);
  // A second start of the program asks this one to come to the front.
  void OnRaiseRequest();
  void CreateControls();
  void TakePageColour();
  [[nodiscard]] HWND Handle(Control control) const;
  [[nodiscard]] int Pixels(double twips) const;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  ControlHandles controls_{};
  ControlFonts fonts_;
  ::COLORREF page_colour_ = 0;
  HBRUSH page_brush_ = nullptr;
  int dpi_ = 96;
  int selected_option_ = 0;
  int selected_style_ = 0;
  int selected_dither_ = 0;
  bool input_enabled_ = true;
  bool closing_ = false;
  PictureBoxState picture_box_;
  MessageWindow message_;
  PictureDropTarget* drop_target_ = nullptr;
  std::unique_ptr<Form1Core> core_;
};

}  // namespace scrivlet
