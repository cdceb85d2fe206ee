#pragma once

// <windows.h> for code that also uses the desktop contract.
//
// The contract declares MOUSEEVENTF_*, VK_F7 and VK_F8 as typed constants in
// namespace scrivlet, with the values Windows gives them; <windows.h> defines
// the same names as macros, which would rewrite those declarations and every
// use of them. Include this header instead of <windows.h>: the macros are
// dropped and the contract's constants, equal in value, stand in for them.

// WIN32_LEAN_AND_MEAN and NOMINMAX come from the build (src/platform).
#include <windows.h>

#undef MOUSEEVENTF_MOVE
#undef MOUSEEVENTF_LEFTDOWN
#undef MOUSEEVENTF_LEFTUP
#undef MOUSEEVENTF_ABSOLUTE
#undef VK_F7
#undef VK_F8

#include "platform/platform_input.h"
