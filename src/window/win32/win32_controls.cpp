#include "window/win32/win32_controls.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "platform/platform_input.h"
#include "window/core/form1_layout.h"
#include "window/core/twips.h"
#include "window/win32/wide_text.h"

namespace scrivlet {
namespace {

constexpr const wchar_t* kControlFont = L"ＭＳ Ｐゴシック";
constexpr const wchar_t* kUiFont = L"MS UI Gothic";

// The window class, styles and extended styles of each kind of control.
struct Kind {
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

Kind KindOf(Control control, const wchar_t* picture_class) {
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
      return {picture_class, kChild | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
    case Control::Frame1:
    case Control::Frame2:
    case Control::Frame3:
      return {L"BUTTON", kChild | BS_GROUPBOX, 0};
    case Control::Command1:
    case Control::Command2:
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, 0};
    case Control::InkChip_0:
    case Control::InkChip_1:
    case Control::InkChip_2:
    case Control::InkChip_3:
    case Control::InkChip_4:
    case Control::InkChip_5:
    case Control::InkChip_6:
    case Control::InkChip_7:
      // Painted in the ink's colour (win32_ink_chips.h); hidden while empty.
      return {L"BUTTON", kChild | WS_TABSTOP | WS_GROUP | BS_OWNERDRAW, 0};
    case Control::Option1_0:
    case Control::Option2_1:
    case Control::Option3_1:
    case Control::Option3_2:
      return {L"BUTTON", kChild | BS_AUTORADIOBUTTON, 0};
    case Control::Option1_1:
    case Control::Option2_0:
    case Control::Option3_0:
      // First of the group in the focus order: the group starts here. The
      // Tab key stops at the checked button only: an automatic radio button
      // takes WS_TABSTOP when checked and gives it up when cleared.
      return {L"BUTTON", kChild | WS_GROUP | BS_AUTORADIOBUTTON, 0};
    case Control::Check1:
    case Control::Check2:
    case Control::Check3:
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
    case Control::Label7:
    case Control::Label8:
      return {L"STATIC", kChild | SS_LEFT, 0};
  }
  return {L"STATIC", kChild, 0};
}

HFONT MakeFont(const wchar_t* face, double points, int dpi) {
  const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
  return ::CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

void ThrowLastError(const char* what) {
  throw PlatformError(std::string(what) + " failed (error " +
                      std::to_string(::GetLastError()) + ")");
}

void ControlFonts::Make(int dpi) {
  Destroy();
  ui = MakeFont(kUiFont, kUiFontPoints, dpi);
  usage = MakeFont(kControlFont, kUsageFontPoints, dpi);
  option = MakeFont(kControlFont, kOptionFontPoints, dpi);
}

void ControlFonts::Destroy() {
  for (HFONT font : {ui, usage, option}) {
    ::DeleteObject(font);
  }
  ui = usage = option = nullptr;
}

HFONT ControlFonts::For(Control control) const {
  switch (control) {
    case Control::Text3:
      return usage;
    case Control::Check1:
    case Control::Check2:
    case Control::Check3:
    case Control::Option1_0:
    case Control::Option1_1:
    case Control::Option2_0:
    case Control::Option2_1:
    case Control::Option3_0:
    case Control::Option3_1:
    case Control::Option3_2:
      return option;
    default:
      return ui;
  }
}

HWND CreateControl(Control control, HWND form, HINSTANCE instance,
                   const wchar_t* picture_class) {
  const ControlInfo& info = Info(control);
  const Kind kind = KindOf(control, picture_class);
  HWND handle = ::CreateWindowExW(
      kind.ex_style, kind.window_class,
      info.text != nullptr ? Utf16(info.text).c_str() : L"", kind.style, 0, 0,
      0, 0, form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(info.id)),
      instance, nullptr);
  if (handle == nullptr) {
    ThrowLastError("Creating a control (CreateWindowExW)");
  }
  return handle;
}

void ArrangeFocusOrder(const ControlHandles& handles) {
  // The tab control goes last, which closes the cycle back to it, and so
  // lies beneath the pages' controls that it would otherwise paint over.
  HWND previous = HWND_TOP;
  for (std::size_t i = 1; i < kFocusOrder.size(); ++i) {
    HWND control = HandleOf(handles, kFocusOrder[i]);
    ::SetWindowPos(control, previous, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = control;
  }
  // Beneath the controls: Label3, whose stored place overlaps the labels
  // and buttons below its one line of text; the group boxes, which fill
  // their inside; the tab control at the bottom.
  for (const Control lowest :
       {Control::Label3, Control::Frame1, Control::Frame2, Control::Frame3,
        Control::SSTab1}) {
    ::SetWindowPos(HandleOf(handles, lowest), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void PlaceControls(const ControlHandles& handles, int dpi, bool keep_picture) {
  const auto pixels = [dpi](double twips) { return TwipsToPixels(twips, dpi); };
  const auto origin = [&](layout::Container parent) {
    POINT at{0, 0};
    if (parent != layout::Container::Form) {
      at.x += pixels(layout::kSSTab1.left);
      at.y += pixels(layout::kSSTab1.top);
    }
    for (const auto& [frame, rect] :
         {std::pair{layout::Container::Frame1, layout::kFrame1},
          std::pair{layout::Container::Frame2, layout::kFrame2},
          std::pair{layout::Container::Frame3, layout::kFrame3}}) {
      if (parent == frame) {
        at.x += pixels(rect.left);
        at.y += pixels(rect.top);
      }
    }
    return at;
  };
  for (const layout::Placement& place : layout::kPlacements) {
    const POINT at = origin(place.parent);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (place.control == Control::Picture1 && keep_picture) {
      flags |= SWP_NOSIZE;
    }
    ::SetWindowPos(HandleOf(handles, place.control), nullptr,
                   at.x + pixels(place.rect.left),
                   at.y + pixels(place.rect.top), pixels(place.rect.width),
                   pixels(place.rect.height), flags);
  }
}

bool NewlySelected(HWND button, Control control, std::span<const Control> group,
                   int& selected) {
  if (::SendMessageW(button, BM_GETCHECK, 0, 0) != BST_CHECKED) {
    return false;
  }
  const auto index = static_cast<int>(
      std::find(group.begin(), group.end(), control) - group.begin());
  if (index == selected) {
    return false;
  }
  selected = index;
  return true;
}

bool IsPasteKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != 'V' ||
      ::GetKeyState(VK_CONTROL) >= 0) {
    return false;
  }
  wchar_t name[16] = {};
  ::GetClassNameW(message.hwnd, name, 16);
  return ::lstrcmpiW(name, L"Edit") != 0;
}

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) ||
         message == WM_NCMOUSEHOVER || message == WM_NCMOUSELEAVE ||
         message == WM_MOUSEHOVER || message == WM_MOUSELEAVE ||
         message == WM_CONTEXTMENU || message == WM_HOTKEY;
}

}  // namespace scrivlet
