#pragma once

// Check1 and Check2: three-state boxes whose grayed value only the program
// sets. A click turns a clear box on and a checked or grayed one off, and
// any change of value raises the box's click event, as a VB check box does.

#include <functional>

#include "window/core/form1_view.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {

[[nodiscard]] CheckValue CheckValueOf(HWND box);
// The user's click: clear becomes checked, anything else clear.
void ClickCheckBox(HWND box);
// BM_SETCHECK through the box's subclass: sets the value and calls `click`
// if it changed.
LRESULT SetCheckRaisingClick(HWND box, WPARAM wparam, LPARAM lparam,
                             const std::function<void()>& click);

}  // namespace scrivlet
