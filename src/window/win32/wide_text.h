#pragma once

// UTF-8 <-> UTF-16 for the Win32 front end: the core speaks UTF-8, Windows'
// W functions UTF-16.

#include <string>
#include <string_view>

namespace scrivlet {

std::wstring Utf16(std::string_view utf8);
std::string Utf8(std::wstring_view utf16);

}  // namespace scrivlet
