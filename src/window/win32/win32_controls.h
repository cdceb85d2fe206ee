#pragma once

// Form1's controls as native windows: the window class and styles of each,
// their fonts, their creation and focus order, and their places from the
// layout table at the window's DPI.

#include <array>
#include <span>

#include "window/core/controls.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {

using ControlHandles = std::array<HWND, kControls.size()>;

[[nodiscard]] inline HWND HandleOf(const ControlHandles& handles,
                                   Control control) {
  return handles[static_cast<std::size_t>(control)];
}

[[noreturn]] void ThrowLastError(const char* what);

// The three faces of the form: labels and buttons, the usage text, and the
// option and check boxes.
struct ControlFonts {
  HFONT ui = nullptr;
  HFONT usage = nullptr;
  HFONT option = nullptr;

  void Make(int dpi);  // anew, for `dpi`
  void Destroy();
  [[nodiscard]] HFONT For(Control control) const;
};

// Creates `control` as a child of `form`, with its id and caption. The
// picture box is of `picture_class`.
HWND CreateControl(Control control, HWND form, HINSTANCE instance,
                   const wchar_t* picture_class);

// The Tab key follows the z-order: arranges it as the shared focus order.
void ArrangeFocusOrder(const ControlHandles& handles);

// Places every control at `dpi`; Picture1 keeps its size when `keep_picture`
// (it is sized by its picture).
void PlaceControls(const ControlHandles& handles, int dpi, bool keep_picture);

[[nodiscard]] constexpr bool IsCheckBox(Control control) {
  return control == Control::Check1 || control == Control::Check2 ||
         control == Control::Check3;
}

// A group box, whose inside shows the page's colour.
[[nodiscard]] constexpr bool IsFrame(Control control) {
  return control == Control::Frame1 || control == Control::Frame2 ||
         control == Control::Frame3;
}

// A push button, whose click is its event: the home page, the register
// button and the ink chips.
[[nodiscard]] constexpr bool IsPushButton(Control control) {
  return control == Control::Command1 || control == Control::Command2 ||
         (control >= Control::InkChip_0 && control <= Control::InkChip_7);
}

// A click on `button`, the option `control` of `group`: true when it made
// another button of the group the selected one, whose index goes to
// `selected`.
bool NewlySelected(HWND button, Control control, std::span<const Control> group,
                   int& selected);

// Ctrl+V anywhere in the window but in an edit box, which pastes text.
[[nodiscard]] bool IsPasteKey(const MSG& message);

// Keys, clicks and pointer moves: what is thrown away while a drawing runs.
[[nodiscard]] bool IsUserInput(UINT message);

}  // namespace scrivlet
