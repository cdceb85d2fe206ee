#include "window/win32/win32_ink_chips.h"

#include <string>

namespace scrivlet {
namespace {

// Set in the window data beside the colour: 0 is an empty slot, not black.
constexpr LONG_PTR kFilled = 0x1000000;

}  // namespace

void SetInkChip(HWND chip, std::optional<COLORREF> colour, bool page_shown) {
  ::SetWindowLongPtrW(chip, GWLP_USERDATA,
                      colour ? kFilled | static_cast<LONG_PTR>(*colour) : 0);
  ::ShowWindow(chip, colour && page_shown ? SW_SHOWNA : SW_HIDE);
  ::InvalidateRect(chip, nullptr, TRUE);
}

bool InkChipFilled(HWND chip) {
  return (::GetWindowLongPtrW(chip, GWLP_USERDATA) & kFilled) != 0;
}

void DrawInkChip(const DRAWITEMSTRUCT& item) {
  const auto colour = static_cast<COLORREF>(
      ::GetWindowLongPtrW(item.hwndItem, GWLP_USERDATA) & 0xFFFFFF);
  RECT area = item.rcItem;
  HBRUSH fill = ::CreateSolidBrush(colour);
  ::FillRect(item.hDC, &area, fill);
  ::DeleteObject(fill);
  // A frame, so that an ink of the page's own colour still shows.
  ::FrameRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNSHADOW));
  if ((item.itemState & ODS_FOCUS) != 0) {
    ::InflateRect(&area, -2, -2);
    ::DrawFocusRect(item.hDC, &area);
  }
  const unsigned brightness = ((colour & 0xFFU) + ((colour >> 8U) & 0xFFU) +
                               ((colour >> 16U) & 0xFFU)) /
                              3;
  ::SetTextColor(item.hDC,
                 brightness < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0));
  ::SetBkMode(item.hDC, TRANSPARENT);
  wchar_t mark[8] = {};
  ::GetWindowTextW(item.hwndItem, mark, 8);
  area = item.rcItem;
  ::DrawTextW(item.hDC, mark, -1, &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace scrivlet
