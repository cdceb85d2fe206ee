#include "window/win32/win32_tab_pages.h"

#include <algorithm>
#include <string>

#include "window/core/form1_layout.h"
#include "window/core/twips.h"
#include "window/core/window_texts.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_ink_chips.h"

namespace scrivlet {
int PageOf(layout::Container parent) {
  switch (parent) {
    case layout::Container::MainPage:
      return 0;
    case layout::Container::SettingsPage:
    case layout::Container::Frame1:
      return 1;
    case layout::Container::StylePage:
    case layout::Container::Frame2:
    case layout::Container::Frame3:
      return 2;
    case layout::Container::Form:
      break;
  }
  return -1;
}

void AddTabPages(HWND tab) {
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  std::wstring captions[] = {Utf16(texts::kMainPage),
                             Utf16(texts::kSettingsPage),
                             Utf16(texts::kStylePage)};
  for (int page = 0; page < 3; ++page) {
    item.pszText = captions[page].data();
    ::SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(page),
                   reinterpret_cast<LPARAM>(&item));
  }
}

void SizeTabs(HWND tab, int dpi) {
  const int width =
      TwipsToPixels(layout::kSSTab1.width, dpi) / layout::kTabsPerRow;
  ::SendMessageW(tab, TCM_SETITEMSIZE, 0,
                 MAKELPARAM(width, TwipsToPixels(layout::kTabHeight, dpi)));
}

void ShowPage(const ControlHandles& handles, int page) {
  for (const layout::Placement& place : layout::kPlacements) {
    const int on = PageOf(place.parent);
    HWND control = HandleOf(handles, place.control);
    // An ink chip of an empty slot stays hidden.
    const bool empty_chip = std::ranges::count(kInkChips, place.control) > 0 &&
                            !InkChipFilled(control);
    if (on >= 0) {
      ::ShowWindow(control, on == page && !empty_chip ? SW_SHOWNA : SW_HIDE);
    }
  }
  ::ShowWindow(HandleOf(handles, Control::SSTab1), SW_SHOWNA);
}

::COLORREF PageColour(HWND tab) {
  // The tab control paints its body itself (a theme's or the classic face).
  RECT area{};
  ::GetClientRect(tab, &area);
  ::COLORREF colour = ::GetSysColor(COLOR_BTNFACE);
  HDC screen = ::GetDC(tab);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, area.right, area.bottom);
  if (memory != nullptr && bitmap != nullptr && area.bottom > 8) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SendMessageW(tab, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                   PRF_CLIENT | PRF_ERASEBKGND);
    const ::COLORREF body = ::GetPixel(memory, area.right / 2, area.bottom - 6);
    if (body != CLR_INVALID) {
      colour = body;
    }
    ::SelectObject(memory, old);
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(tab, screen);
  return colour;
}

}  // namespace scrivlet
