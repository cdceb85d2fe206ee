#pragma once

// The file dialog a double click on Picture1 opens on Windows.

#include <optional>
#include <string>

#include "window/win32/windows_ui.h"

namespace scrivlet {

// The chosen file's name in UTF-8, as the decoder takes it; nullopt if the
// user cancels.
std::optional<std::string> AskForPictureFileWin32(HWND owner);

}  // namespace scrivlet
