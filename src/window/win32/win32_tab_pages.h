#pragma once

// SSTab1 and its pages メイン, 設定 and 描き方: the tabs, equal in width, and
// which controls show on the page selected. The pages take the colour of the
// tab control's body, which a theme may paint lighter than the window.

#include "window/core/form1_layout.h"
#include "window/win32/win32_controls.h"

namespace scrivlet {

// Which page a container lies on: 0 メイン, 1 設定, 2 描き方, -1 none (the
// form, which holds the tab control itself).
[[nodiscard]] int PageOf(layout::Container parent);
// Adds the three tabs to the tab control.
void AddTabPages(HWND tab);
// Equal tabs, a fixed number per row, each the stored tab height.
void SizeTabs(HWND tab, int dpi);
// Shows the controls of `page` (0, 1 or 2), hides the others'.
void ShowPage(const ControlHandles& handles, int page);
// The colour of every page: one pixel of the tab control's body, printed
// off screen; the button face where it cannot be read.
[[nodiscard]] ::COLORREF PageColour(HWND tab);

}  // namespace scrivlet
