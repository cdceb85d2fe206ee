#include "window/win32/win32_form1.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "session/instance_texts.h"
#include "session/win32/single_instance.h"
#include "window/core/form1_layout.h"
#include "window/core/window_texts.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_check_box.h"
#include "window/win32/win32_ink_chips.h"
#include "window/win32/win32_picture_box.h"
#include "window/win32/win32_tab_pages.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {
namespace {

constexpr UINT_PTR kTimer1Id = 1;
constexpr std::array kModeOptions{Control::Option1_0, Control::Option1_1};

void RegisterFormClass(HINSTANCE instance, WNDPROC form) {
  HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  WNDCLASSEXW type{};
  type.cbSize = sizeof(type);
  type.hInstance = instance;
  type.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  type.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  type.hIcon = icon;
  type.hIconSm = icon;
  type.lpfnWndProc = form;
  type.lpszClassName = kFormWindowClass;
  ::RegisterClassExW(&type);
}

}  // namespace

Win32Form1::Win32Form1(HINSTANCE instance, PlatformInput& desktop,
                       PictureDecoder& decoder)
    : instance_(instance) {
  RegisterFormClass(instance, &Win32Form1::FormProc);
  RegisterPictureBoxClass(instance);
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  window_ = ::CreateWindowExW(
      0, kFormWindowClass, Utf16(texts::kCaption).c_str(), style, CW_USEDEFAULT,
      CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
  if (window_ == nullptr) {
    ThrowLastError("Creating the main window (CreateWindowExW)");
  }
  dpi_ = static_cast<int>(::GetDpiForWindow(window_));
  if (dpi_ <= 0) {
    dpi_ = 96;
  }
  RECT frame{0, 0, Pixels(layout::kFormInnerWidth),
             Pixels(layout::kFormInnerHeight)};
  ::AdjustWindowRectExForDpi(&frame, style, FALSE, 0, static_cast<UINT>(dpi_));
  ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
  fonts_.Make(dpi_);
  CreateControls();
  PlaceControls(controls_, dpi_, false);
  SizeTabs(Handle(Control::SSTab1), dpi_);
  TakePageColour();
  ShowPage(controls_, 0);

  core_ = std::make_unique<Form1Core>(*this, desktop, decoder,
                                      Picture1InnerSize(LogicalDpi()));
  core_->Form_Load();
  core_->Form_Resize();
  // Nothing is taken while a drawing runs, as with every other input.
  drop_target_ = PictureDropTarget::Register(
      Handle(Control::Picture1),
      {[this](bool copy_offered) {
         return input_enabled_ ? core_->Picture1_OLEDragOver(copy_offered)
                               : DropEffect::None;
       },
       [this](const DroppedItems& items, bool copy_offered) {
         return input_enabled_
                    ? core_->Picture1_OLEDragDrop(items, copy_offered)
                    : DropEffect::None;
       }});
  SetTimerEnabled(true);
}

Win32Form1::~Win32Form1() {
  if (drop_target_ != nullptr) {
    drop_target_->Revoke();
  }
  if (window_ != nullptr) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  fonts_.Destroy();
  ::DeleteObject(page_brush_);
}

void Win32Form1::SetStartPicture(const Picture& picture) {
  core_->SetPicture(picture);
}

int Win32Form1::Pixels(double twips) const {
  return TwipsToPixels(twips, dpi_);
}

HWND Win32Form1::Handle(Control control) const {
  return HandleOf(controls_, control);
}

void Win32Form1::CreateControls() {
  for (const layout::Placement& place : layout::kPlacements) {
    HWND control =
        CreateControl(place.control, window_, instance_, kPictureClass);
    controls_[static_cast<std::size_t>(place.control)] = control;
    ::SendMessageW(control, WM_SETFONT,
                   reinterpret_cast<WPARAM>(fonts_.For(place.control)), FALSE);
    if (IsCheckBox(place.control) || IsFrame(place.control) ||
        place.control == Control::Text3) {
      ::SetWindowSubclass(control, &Win32Form1::ControlSubclass, 0,
                          reinterpret_cast<DWORD_PTR>(this));
    }
  }
  ::SetWindowLongPtrW(Handle(Control::Picture1), GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(&picture_box_));
  picture_box_.double_click = [this] {
    if (core_ && input_enabled_) {
      core_->Picture1_DblClick();
    }
  };
  AddTabPages(Handle(Control::SSTab1));
  for (const Control first :
       {Control::Option1_0, kStyleOptions[0], kDitherOptions[0]}) {
    ::SendMessageW(Handle(first), BM_SETCHECK, BST_CHECKED, 0);
  }
  ArrangeFocusOrder(controls_);
}

void Win32Form1::TakePageColour() {
  page_colour_ = PageColour(Handle(Control::SSTab1));
  ::DeleteObject(page_brush_);
  page_brush_ = ::CreateSolidBrush(page_colour_);
}

void Win32Form1::Show(int show_command) {
  ::ShowWindow(window_, show_command);
  ::UpdateWindow(window_);
  // The first control in the focus order has the focus when the window opens.
  ::SetFocus(Handle(Control::SSTab1));
}

bool Win32Form1::TranslateDialogMessage(MSG& message) {
  HWND box = message_.hwnd();
  if (box != nullptr && ::IsDialogMessageW(box, &message) != FALSE) {
    return true;
  }
  if (IsPasteKey(message)) {
    ::SendMessageW(window_, WM_PASTE, 0, 0);
    return true;
  }
  return ::IsDialogMessageW(window_, &message) != FALSE;
}

LRESULT CALLBACK Win32Form1::FormProc(HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self =
      reinterpret_cast<Win32Form1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->core_ == nullptr) {
    if (message == WM_DESTROY) {
      ::PostQuitMessage(0);
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  return self->OnMessage(message, wparam, lparam);
}

LRESULT Win32Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == RaiseRequestMessage()) {
    OnRaiseRequest();
    return kRaiseAnswer;
  }
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->hwndFrom == Handle(Control::SSTab1) &&
          header->code == TCN_SELCHANGE) {
        ShowPage(controls_, static_cast<int>(::SendMessageW(
                                header->hwndFrom, TCM_GETCURSEL, 0, 0)));
      }
      return 0;
    }
    case WM_TIMER:
      if (wparam == kTimer1Id) {
        core_->Timer1_Timer();
      }
      return 0;
    case WM_SIZE:
      core_->Form_Resize();
      return 0;
    case WM_DPICHANGED: {
      // Per-monitor DPI: fonts and places follow the monitor the window is
      // on; Windows suggests the new frame.
      dpi_ = HIWORD(wparam);
      fonts_.Make(dpi_);
      for (const layout::Placement& place : layout::kPlacements) {
        ::SendMessageW(Handle(place.control), WM_SETFONT,
                       reinterpret_cast<WPARAM>(fonts_.For(place.control)),
                       TRUE);
      }
      PlaceControls(controls_, dpi_, picture_box_.shown != nullptr);
      SizeTabs(Handle(Control::SSTab1), dpi_);
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left,
                     suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
      // The window's face, and the page colour where the tab control lies,
      // so that themed controls that draw their parent's background there
      // (the group box) match the page.
      auto* dc = reinterpret_cast<HDC>(wparam);
      RECT area{};
      ::GetClientRect(window_, &area);
      ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
      HWND tab = Handle(Control::SSTab1);
      ::GetWindowRect(tab, &area);
      ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&area), 2);
      ::FillRect(dc, &area, page_brush_);
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels, check and option boxes on the colour of the page behind
      // them (a themed tab body is lighter than the window); Label3's note
      // is red, as the Qt window shows it.
      auto* dc = reinterpret_cast<HDC>(wparam);
      if (reinterpret_cast<HWND>(lparam) == Handle(Control::Label3)) {
        ::SetTextColor(dc, RGB(255, 0, 0));
      }
      ::SetBkColor(dc, page_colour_);
      return reinterpret_cast<LRESULT>(page_brush_);
    }
    case WM_DRAWITEM:  // only the ink chips are owner-drawn
      DrawInkChip(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_PASTE:
      // Nothing is taken while a drawing runs, as with a drop.
      if (input_enabled_) {
        core_->Form_Paste();
      }
      return 0;
    case WM_CLOSE:
      if (core_->Form_QueryUnload()) {
        Close();
      }
      return 0;
    case WM_DESTROY:
      // While Picture1 still exists: OLE holds the target until revoked.
      if (drop_target_ != nullptr) {
        drop_target_->Revoke();
        drop_target_ = nullptr;
      }
      ::KillTimer(window_, kTimer1Id);
      window_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

void Win32Form1::OnRaiseRequest() {
  // Not while drawing: a window that came up over the drawing area would
  // take the clicks meant for the program drawn into.
  if (!input_enabled_) {
    return;
  }
  ::ShowWindow(window_, ::IsIconic(window_) != FALSE ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(window_);
  ShowMessage(texts::kInstanceRaised);
}

void Win32Form1::OnCommand(int id, int code) {
  const std::optional<Control> control = ControlById(id);
  if (!control) {
    return;
  }
  const struct {
    std::span<const Control> buttons;
    int& selected;
  } groups[] = {{kModeOptions, selected_option_},
                {kStyleOptions, selected_style_},
                {kDitherOptions, selected_dither_}};
  for (const auto& group : groups) {
    if (code == BN_CLICKED && std::ranges::count(group.buttons, *control) > 0 &&
        NewlySelected(Handle(*control), *control, group.buttons,
                      group.selected)) {
      core_->ControlEvent(*control);
    }
  }
  switch (*control) {
    case Control::Text1:
    case Control::Text2:
    case Control::Text4:
      if (code == EN_CHANGE) {
        core_->ControlEvent(*control);
      }
      break;
    case Control::Check1:
    case Control::Check2:
    case Control::Check3:
      if (code == BN_CLICKED) {
        // The change reaches the core through BM_SETCHECK (ControlSubclass).
        ClickCheckBox(Handle(*control));
      }
      break;
    default:
      if (code == BN_CLICKED && IsPushButton(*control)) {
        core_->ControlEvent(*control);
      }
      break;
  }
}

LRESULT CALLBACK Win32Form1::ControlSubclass(HWND window, UINT message,
                                             WPARAM wparam, LPARAM lparam,
                                             UINT_PTR /*id*/, DWORD_PTR data) {
  auto* self = reinterpret_cast<Win32Form1*>(data);
  if (message == WM_GETDLGCODE && window == self->Handle(Control::Text3)) {
    // The usage text is multi-line, yet Tab moves the focus on, as in the
    // Qt window.
    LRESULT code = ::DefSubclassProc(window, message, wparam, lparam);
    const auto* key = reinterpret_cast<const MSG*>(lparam);
    if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB) {
      code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
    }
    return code;
  }
  const std::optional<Control> which = ControlById(::GetDlgCtrlID(window));
  if (message == WM_ERASEBKGND && which && IsFrame(*which)) {
    // The group box would erase its inside with the window's face; the
    // page's colour lies behind it.
    RECT inside{};
    ::GetClientRect(window, &inside);
    ::FillRect(reinterpret_cast<HDC>(wparam), &inside, self->page_brush_);
    return 1;
  }
  if (message == BM_SETCHECK) {
    return SetCheckRaisingClick(window, wparam, lparam, [self, window] {
      if (self->core_ != nullptr) {
        for (const Control box :
             {Control::Check1, Control::Check2, Control::Check3}) {
          if (window == self->Handle(box)) {
            self->core_->ControlEvent(box);
          }
        }
      }
    });
  }
  return ::DefSubclassProc(window, message, wparam, lparam);
}

std::string Win32Form1::GetText(Control control) const {
  HWND handle = Handle(control);
  const int length = ::GetWindowTextLengthW(handle);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = ::GetWindowTextW(handle, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return Utf8(text);
}

void Win32Form1::SetText(Control control, std::string_view text) {
  // An edit box raises EN_CHANGE for this as for typing.
  ::SetWindowTextW(Handle(control), Utf16(text).c_str());
}

CheckValue Win32Form1::GetCheck(Control control) const {
  return CheckValueOf(Handle(control));
}

int Win32Form1::SelectedOption() const {
  return ::SendMessageW(Handle(Control::Option1_1), BM_GETCHECK, 0, 0) ==
                 BST_CHECKED
             ? 1
             : 0;
}

void Win32Form1::SetCaption(std::string_view text) {
  ::SetWindowTextW(window_, Utf16(text).c_str());
}

void Win32Form1::ShowMessage(std::string_view text) {
  message_.Show(window_, fonts_.ui, dpi_, Utf16(texts::kCaption), Utf16(text));
}

void Win32Form1::SetUserInputEnabled(bool enabled) {
  if (enabled && !input_enabled_) {
    // What the user typed, clicked or dropped meanwhile is gone.
    MSG message{};
    const std::pair<UINT, UINT> ranges[] = {
        {WM_KEYFIRST, WM_KEYLAST},
        {WM_MOUSEFIRST, WM_MOUSELAST},
        {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK},
        {WM_HOTKEY, WM_HOTKEY}};
    for (const auto& [first, last] : ranges) {
      while (::PeekMessageW(&message, nullptr, first, last, PM_REMOVE) !=
             FALSE) {
      }
    }
  }
  input_enabled_ = enabled;
}

void Win32Form1::SetTimerEnabled(bool enabled) {
  if (window_ == nullptr) {
    return;
  }
  if (enabled) {
    ::SetTimer(window_, kTimer1Id, kTimer1IntervalMs, nullptr);
  } else {
    ::KillTimer(window_, kTimer1Id);
  }
}

PixelSize Win32Form1::InnerSize() const {
  RECT client{};
  ::GetClientRect(window_, &client);
  return {client.right - client.left, client.bottom - client.top};
}

Dpi Win32Form1::LogicalDpi() const {
  return {static_cast<double>(dpi_), static_cast<double>(dpi_)};
}

void Win32Form1::SetTabGeometry(PixelRect rect) {
  ::SetWindowPos(Handle(Control::SSTab1), nullptr, rect.left, rect.top,
                 rect.width, rect.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

NativeWindow Win32Form1::NativeHandle() const {
  return reinterpret_cast<NativeWindow>(window_);
}

bool Win32Form1::OpenUrl(const std::string& url) {
  // The desktop's opener for the address itself: no command shell parses it.
  const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
      window_, L"open", Utf16(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

void Win32Form1::ProcessPendingPaint() {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (message.message == WM_QUIT) {
      // For the main loop, which ends the program after the drawing.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!input_enabled_ && IsUserInput(message.message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void Win32Form1::ShowPicture(const Picture& shown) {
  ShowInPictureBox(Handle(Control::Picture1), picture_box_, shown);
}

void Win32Form1::ShowInkChip(Control chip, std::optional<COLORREF> colour) {
  SetInkChip(Handle(chip), colour,
             ::SendMessageW(Handle(Control::SSTab1), TCM_GETCURSEL, 0, 0) == 2);
}

void Win32Form1::Close() {
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
  }
}

}  // namespace scrivlet
