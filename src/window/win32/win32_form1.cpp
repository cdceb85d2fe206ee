#include "window/win32/win32_form1.h"

#include <cmath>
#include <utility>

#include "session/instance_texts.h"
#include "session/win32/single_instance.h"
#include "window/core/form1_layout.h"
#include "window/core/window_texts.h"
#include "window/win32/wide_text.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {
namespace {

constexpr const wchar_t* kPictureClass = L"ScrivletPicture1";
constexpr UINT_PTR kTimer1Id = 1;
constexpr const wchar_t* kControlFont = L"ＭＳ Ｐゴシック";
constexpr const wchar_t* kUiFont = L"MS UI Gothic";

[[noreturn]] void ThrowLastError(const char* what) {
  throw PlatformError(std::string(what) + " failed (error " +
                      std::to_string(::GetLastError()) + ")");
}

std::size_t Index(Control control) { return static_cast<std::size_t>(control); }

bool IsCheckBox(Control control) {
  return control == Control::Check1 || control == Control::Check2;
}

// Which page a control lives on: 0 メイン, 1 設定, -1 neither (the tab
// control itself).
int PageOf(layout::Container parent) {
  switch (parent) {
    case layout::Container::MainPage:
      return 0;
    case layout::Container::SettingsPage:
    case layout::Container::Frame1:
      return 1;
    case layout::Container::Form:
      break;
  }
  return -1;
}

// The window class, styles and extended styles of each kind of control.
struct Kind {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

Kind KindOf(Control control) {
  constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
  switch (control) {
    case Control::SSTab1:
      return {WC_TABCONTROLW,
              kChild | WS_TABSTOP | WS_GROUP | TCS_FIXEDWIDTH | TCS_MULTILINE,
              0};
    case Control::Text3:
      return {L"EDIT",
              kChild | WS_TABSTOP | WS_GROUP | ES_MULTILINE | ES_AUTOVSCROLL |
                  ES_WANTRETURN,
              WS_EX_CLIENTEDGE};
    case Control::Picture1:
      // The client edge is the classic two-pixel sunken border.
      // Drops come through OLE (PictureDropTarget); no WS_EX_ACCEPTFILES,
      // which would let a refused OLE drop arrive again as WM_DROPFILES.
      return {kPictureClass, kChild | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
    case Control::Frame1:
      return {L"BUTTON", kChild | BS_GROUPBOX, 0};
    case Control::Command1:
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0};
    case Control::Option1_0:
      return {L"BUTTON", kChild | BS_AUTORADIOBUTTON, 0};
    case Control::Option1_1:
      // First of the group in the focus order: the group starts here. The
      // Tab key stops at the checked button only: an automatic radio button
      // takes WS_TABSTOP when checked and gives it up when cleared.
      return {L"BUTTON", kChild | WS_GROUP | BS_AUTORADIOBUTTON, 0};
    case Control::Check1:
    case Control::Check2:
      // Three states, switched here: a user's click never grays a box.
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_3STATE, 0};
    case Control::Text1:
    case Control::Text2:
    case Control::Text4:
      return {L"EDIT", kChild | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL,
              WS_EX_CLIENTEDGE};
    case Control::Label1:
    case Control::Label2:
    case Control::Label3:
    case Control::Label4:
    case Control::Label5:
    case Control::Label6:
      return {L"STATIC", kChild | SS_LEFT, 0};
  }
  return {L"STATIC", kChild, 0};
}

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
         message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE ||
         message == WM_MOUSEHOVER || message == WM_MOUSELEAVE ||
         message == WM_CONTEXTMENU || message == WM_HOTKEY;
}

HFONT MakeFont(const wchar_t* face, double points, int dpi) {
  const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
  return ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

void RegisterClasses(HINSTANCE instance, WNDPROC form, WNDPROC picture) {
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
  type.hbrBackground = nullptr;  // painted whole by the picture
  type.lpfnWndProc = picture;
  type.lpszClassName = kPictureClass;
  ::RegisterClassExW(&type);
}

}  // namespace

Win32Form1::Win32Form1(HINSTANCE instance, PlatformInput& desktop,
                       PictureDecoder& decoder)
    : instance_(instance) {
  RegisterClasses(instance, &Win32Form1::FormProc, &Win32Form1::PictureProc);
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
  MakeFonts();
  CreateControls();
  PlaceControls();
  TakePageColour();
  ShowPage(0);

  const PixelSize picture_inner{
      Pixels(layout::kPicture1.width) - 2 * layout::kPictureBorderPixels,
      Pixels(layout::kPicture1.height) - 2 * layout::kPictureBorderPixels};
  core_ = std::make_unique<Form1Core>(*this, desktop, decoder, picture_inner);
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
  for (HFONT font : {ui_font_, usage_font_, option_font_}) {
    ::DeleteObject(font);
  }
  ::DeleteObject(page_brush_);
}

void Win32Form1::SetStartPicture(const Picture& picture) {
  core_->SetPicture(picture);
}

int Win32Form1::Pixels(double twips) const {
  return TwipsToPixels(twips, dpi_);
}

HWND Win32Form1::Handle(Control control) const {
  return controls_[Index(control)];
}

void Win32Form1::MakeFonts() {
  for (HFONT font : {ui_font_, usage_font_, option_font_}) {
    ::DeleteObject(font);
  }
  ui_font_ = MakeFont(kUiFont, kUiFontPoints, dpi_);
  usage_font_ = MakeFont(kControlFont, kUsageFontPoints, dpi_);
  option_font_ = MakeFont(kControlFont, kOptionFontPoints, dpi_);
}

void Win32Form1::CreateControls() {
  for (const layout::Placement& place : layout::kPlacements) {
    const ControlInfo& info = Info(place.control);
    const Kind kind = KindOf(place.control);
    HWND control = ::CreateWindowExW(
        kind.ex_style, kind.window_class,
        info.text != nullptr ? Utf16(info.text).c_str() : L"", kind.style, 0, 0,
        0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(info.id)),
        instance_, nullptr);
    if (control == nullptr) {
      ThrowLastError("Creating a control (CreateWindowExW)");
    }
    ::SetWindowLongPtrW(control, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(this));
    controls_[Index(place.control)] = control;
    HFONT font = ui_font_;
    if (place.control == Control::Text3) {
      font = usage_font_;
    } else if (IsCheckBox(place.control) ||
               place.control == Control::Option1_0 ||
               place.control == Control::Option1_1) {
      font = option_font_;
    }
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (IsCheckBox(place.control) || place.control == Control::Text3 ||
        place.control == Control::Frame1) {
      ::SetWindowSubclass(control, &Win32Form1::ControlSubclass, 0,
                          reinterpret_cast<DWORD_PTR>(this));
    }
  }
  HWND tab = Handle(Control::SSTab1);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  std::wstring captions[] = {Utf16(texts::kMainPage),
                             Utf16(texts::kSettingsPage)};
  for (int page = 0; page < 2; ++page) {
    item.pszText = captions[page].data();
    ::SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(page),
                   reinterpret_cast<LPARAM>(&item));
  }
  ::SendMessageW(Handle(Control::Option1_0), BM_SETCHECK, BST_CHECKED, 0);
  // The Tab key follows the z-order: arrange it as the shared focus order.
  // The tab control goes last, which closes the cycle back to it, and so
  // lies beneath the pages' controls that it would otherwise paint over.
  HWND previous = HWND_TOP;
  for (std::size_t i = 1; i < kFocusOrder.size(); ++i) {
    HWND control = Handle(kFocusOrder[i]);
    ::SetWindowPos(control, previous, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = control;
  }
  // Beneath the controls: Label3, whose stored place overlaps the labels
  // and buttons below its one line of text; the group box, which fills its
  // inside; the tab control at the bottom.
  for (const Control lowest :
       {Control::Label3, Control::Frame1, Control::SSTab1}) {
    ::SetWindowPos(Handle(lowest), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Win32Form1::PlaceControls() {
  const auto origin = [this](layout::Container parent) {
    POINT at{0, 0};
    if (parent != layout::Container::Form) {
      at.x += Pixels(layout::kSSTab1.left);
      at.y += Pixels(layout::kSSTab1.top);
    }
    if (parent == layout::Container::Frame1) {
      at.x += Pixels(layout::kFrame1.left);
      at.y += Pixels(layout::kFrame1.top);
    }
    return at;
  };
  for (const layout::Placement& place : layout::kPlacements) {
    HWND control = Handle(place.control);
    const POINT at = origin(place.parent);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (place.control == Control::Picture1 && shown_ != nullptr) {
      flags |= SWP_NOSIZE;  // sized by its picture
    }
    ::SetWindowPos(control, nullptr, at.x + Pixels(place.rect.left),
                   at.y + Pixels(place.rect.top), Pixels(place.rect.width),
                   Pixels(place.rect.height), flags);
  }
  // Equal tabs, a fixed number per row, each the stored tab height.
  HWND tab = Handle(Control::SSTab1);
  const int width = Pixels(layout::kSSTab1.width) / layout::kTabsPerRow;
  ::SendMessageW(tab, TCM_SETITEMSIZE, 0,
                 MAKELPARAM(width, Pixels(layout::kTabHeight)));
}

void Win32Form1::TakePageColour() {
  // The tab control paints its body itself (a theme's or the classic face);
  // one pixel of it, printed off screen, is the colour of every page.
  HWND tab = Handle(Control::SSTab1);
  RECT area{};
  ::GetClientRect(tab, &area);
  page_colour_ = ::GetSysColor(COLOR_BTNFACE);
  HDC screen = ::GetDC(tab);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, area.right, area.bottom);
  if (memory != nullptr && bitmap != nullptr && area.bottom > 8) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageW(tab, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                   PRF_CLIENT | PRF_ERASEBKGND);
    const ::COLORREF body = ::GetPixel(memory, area.right / 2, area.bottom - 6);
    if (body != CLR_INVALID) {
      page_colour_ = body;
    }
    ::SelectObject(memory, old);
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(tab, screen);
  ::DeleteObject(page_brush_);
  page_brush_ = ::CreateSolidBrush(page_colour_);
}

void Win32Form1::ShowPage(int page) {
  for (const layout::Placement& place : layout::kPlacements) {
    const int on = PageOf(place.parent);
    if (on >= 0) {
      ::ShowWindow(Handle(place.control), on == page ? SW_SHOWNA : SW_HIDE);
    }
  }
  ::ShowWindow(Handle(Control::SSTab1), SW_SHOWNA);
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
        ShowPage(static_cast<int>(
            ::SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
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
      MakeFonts();
      for (const layout::Placement& place : layout::kPlacements) {
        HFONT font = place.control == Control::Text3 ? usage_font_
                     : IsCheckBox(place.control) ||
                             place.control == Control::Option1_0 ||
                             place.control == Control::Option1_1
                         ? option_font_
                         : ui_font_;
        ::SendMessageW(Handle(place.control), WM_SETFONT,
                       reinterpret_cast<WPARAM>(font), TRUE);
      }
      PlaceControls();
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
  switch (*control) {
    case Control::Text1:
    case Control::Text2:
    case Control::Text4:
      if (code == EN_CHANGE) {
        if (*control == Control::Text1) {
          core_->Text1_Change();
        } else if (*control == Control::Text2) {
          core_->Text2_Change();
        } else {
          core_->Text4_Change();
        }
      }
      break;
    case Control::Option1_0:
    case Control::Option1_1:
      if (code == BN_CLICKED) {
        const int index = *control == Control::Option1_0 ? 0 : 1;
        if (::SendMessageW(Handle(*control), BM_GETCHECK, 0, 0) ==
                BST_CHECKED &&
            index != selected_option_) {
          selected_option_ = index;
          core_->Option1_Click(static_cast<std::int16_t>(index));
        }
      }
      break;
    case Control::Check1:
    case Control::Check2:
      if (code == BN_CLICKED) {
        // A click turns a clear box on and a checked or grayed one off; the
        // change reaches the core through BM_SETCHECK (ControlSubclass).
        HWND box = Handle(*control);
        const bool clear =
            ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
        ::SendMessageW(box, BM_SETCHECK, clear ? BST_CHECKED : BST_UNCHECKED,
                       0);
      }
      break;
    case Control::Command1:
      if (code == BN_CLICKED) {
        core_->Command1_Click();
      }
      break;
    default:
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
  if (message == WM_ERASEBKGND && window == self->Handle(Control::Frame1)) {
    // The group box would erase its inside with the window's face; the
    // page's colour lies behind it.
    RECT inside{};
    ::GetClientRect(window, &inside);
    ::FillRect(reinterpret_cast<HDC>(wparam), &inside, self->page_brush_);
    return 1;
  }
  if (message == BM_SETCHECK) {
    // A check box's value changed by the program or a click raises its click
    // event, as a VB check box does; setting the same value does not.
    const LRESULT before = ::DefSubclassProc(window, BM_GETCHECK, 0, 0);
    const LRESULT result = ::DefSubclassProc(window, message, wparam, lparam);
    if (before != ::DefSubclassProc(window, BM_GETCHECK, 0, 0) &&
        self->core_ != nullptr) {
      if (window == self->Handle(Control::Check1)) {
        self->core_->Check1_Click();
      } else {
        self->core_->Check2_Click();
      }
    }
    return result;
  }
  return ::DefSubclassProc(window, message, wparam, lparam);
}

LRESULT CALLBACK Win32Form1::PictureProc(HWND window, UINT message,
                                         WPARAM wparam, LPARAM lparam) {
  auto* self =
      reinterpret_cast<Win32Form1*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) {
    return ::DefWindowProcW(window, message, wparam, lparam);
  }
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = ::BeginPaint(window, &paint);
      if (self->shown_ != nullptr && !self->shown_->empty()) {
        const Picture& shown = *self->shown_;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = shown.width;
        info.bmiHeader.biHeight = -shown.height;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        ::SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(shown.width),
                            static_cast<DWORD>(shown.height), 0, 0, 0,
                            static_cast<UINT>(shown.height), shown.argb.data(),
                            &info, DIB_RGB_COLORS);
      }
      ::EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the picture covers the whole inner area
    case WM_LBUTTONDOWN:
      ::SetFocus(window);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
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
  switch (::SendMessageW(Handle(control), BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return CheckValue::Checked;
    case BST_INDETERMINATE:
      return CheckValue::Grayed;
    default:
      return CheckValue::Unchecked;
  }
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
  message_.Show(window_, ui_font_, dpi_, Utf16(texts::kCaption), Utf16(text));
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
  shown_ = &shown;
  HWND box = Handle(Control::Picture1);
  RECT frame{0, 0, shown.width, shown.height};
  ::AdjustWindowRectEx(
      &frame, static_cast<DWORD>(::GetWindowLongW(box, GWL_STYLE)), FALSE,
      static_cast<DWORD>(::GetWindowLongW(box, GWL_EXSTYLE)));
  ::SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(box, nullptr, FALSE);
}

void Win32Form1::Close() {
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
  }
}

}  // namespace scrivlet
