#pragma once

// The registered inks' chips on Win32: owner-drawn buttons filled with the
// ink's colour, its mark (×) in black or white, whichever shows on it. A
// chip keeps its colour in its window data; an empty slot's chip stays
// hidden, also when its page is shown.

#include <optional>

#include "platform/platform_input.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {

// Fills `chip` with `colour` (0x00BBGGRR) and shows it if `page_shown`;
// nullopt empties and hides it.
void SetInkChip(HWND chip, std::optional<COLORREF> colour, bool page_shown);

// Whether `chip` holds an ink, so that showing its page shows it.
[[nodiscard]] bool InkChipFilled(HWND chip);

// Paints a chip for its WM_DRAWITEM.
void DrawInkChip(const DRAWITEMSTRUCT& item);

}  // namespace scrivlet
