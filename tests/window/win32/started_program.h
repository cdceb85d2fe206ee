#pragma once

// The real scrivlet.exe started from a test, as a user starts it, and its
// windows found from outside by class, as UI Automation is not there under
// Wine.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "window/win32/wide_text.h"
#include "window/win32/win32_form1.h"
#include "window/win32/windows_ui.h"

namespace scrivlet::testing {

// A Unix path as Windows programs see it: Wine's Z: drive holds the root.
inline std::filesystem::path WindowsPath(const std::string& unix_path) {
  std::wstring path = L"Z:" + Utf16(unix_path);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// The first top-level window of class `window_class` that `process` owns.
inline HWND WindowOf(DWORD process, const wchar_t* window_class) {
  struct Search {
    DWORD process;
    const wchar_t* window_class;
    HWND found = nullptr;
  } search{process, window_class};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (owner != s->process || s->window_class != std::wstring(name)) {
          return TRUE;
        }
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a window, also of another process's (which GetWindowTextW
// does not read), and typing into one.
inline std::string TextOf(HWND window) {
  wchar_t text[512] = {};
  ::SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return Utf8(text);
}
inline void Type(HWND box, const std::string& text) {
  ::SendMessageW(box, WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(Utf16(text).c_str()));
}

// Starts a program from its command line (false if it could not be
// started); the caller closes started.hProcess.
inline bool Start(std::wstring command, PROCESS_INFORMATION& started,
                  STARTUPINFOW startup = {}) {
  startup.cb = sizeof(startup);
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &startup, &started) == FALSE) {
    return false;
  }
  ::CloseHandle(started.hThread);
  return true;
}

// Starts scrivlet.exe with `arguments`.
inline bool StartProgram(PROCESS_INFORMATION& started,
                         STARTUPINFOW startup = {},
                         const std::wstring& arguments = {}) {
  return Start(
      L"\"" + WindowsPath(SCRIVLET_EXECUTABLE).wstring() + L"\" " + arguments,
      started, startup);
}

// The program's window once it shows, which it does once its controls are
// there and it polls for F7; nullptr if it does not within 10 s.
inline HWND WaitForForm(DWORD process) {
  using namespace std::chrono_literals;
  for (int i = 0; i < 200; ++i) {
    HWND form = WindowOf(process, kFormWindowClass);
    if (form != nullptr && ::IsWindowVisible(form) != FALSE) return form;
    std::this_thread::sleep_for(50ms);
  }
  return nullptr;
}

// Closes the program through its window; false if it had to be killed.
inline bool CloseProgram(const PROCESS_INFORMATION& started, HWND form) {
  if (form != nullptr) ::PostMessageW(form, WM_CLOSE, 0, 0);
  const bool closed =
      ::WaitForSingleObject(started.hProcess, 10000) == WAIT_OBJECT_0;
  if (!closed) ::TerminateProcess(started.hProcess, 1);
  ::CloseHandle(started.hProcess);
  return closed;
}

}  // namespace scrivlet::testing
