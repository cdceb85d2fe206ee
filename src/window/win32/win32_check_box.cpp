#include "window/win32/win32_check_box.h"

namespace scrivlet {

CheckValue CheckValueOf(HWND box) {
  switch (::SendMessageW(box, BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return CheckValue::Checked;
    case BST_INDETERMINATE:
      return CheckValue::Grayed;
    default:
      return CheckValue::Unchecked;
  }
}

void ClickCheckBox(HWND box) {
  const bool clear = ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_UNCHECKED;
  ::SendMessageW(box, BM_SETCHECK, clear ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT SetCheckRaisingClick(HWND box, WPARAM wparam, LPARAM lparam,
                             const std::function<void()>& click) {
  const LRESULT before = ::DefSubclassProc(box, BM_GETCHECK, 0, 0);
  const LRESULT result = ::DefSubclassProc(box, BM_SETCHECK, wparam, lparam);
  if (before != ::DefSubclassProc(box, BM_GETCHECK, 0, 0)) {
    click();
  }
  return result;
}

}  // namespace scrivlet
