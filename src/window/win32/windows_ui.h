#pragma once

// <windows.h> (through platform/win32/win32_api.h) followed by the
// common-control, shell and COM headers of the Win32 front end, which need it
// first.

// clang-format off
#include "platform/win32/win32_api.h"
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
#include <wincodec.h>
// clang-format on
