#include "window/win32/open_picture_dialog.h"

#include <commdlg.h>

#include <vector>

#include "window/core/window_texts.h"
#include "window/win32/wide_text.h"

namespace scrivlet {

std::optional<std::string> AskForPictureFileWin32(HWND owner) {
  // Long enough for a path beyond MAX_PATH.
  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring title = Utf16(texts::kCaption);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrTitle = title.c_str();
  // The decoder judges a file by its content, whatever its name.
  dialog.Flags =
      OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (::GetOpenFileNameW(&dialog) == FALSE) {
    return std::nullopt;
  }
  return Utf8(name.data());
}

}  // namespace scrivlet
