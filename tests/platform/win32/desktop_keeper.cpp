// Holds Wine's desktop open for a whole test run.
//
// Wine's desktop process starts with the first program that uses the desktop
// and ends a moment after the last one has gone. A test program that starts
// it hands it its output pipe, and ctest then waits for the desktop process
// to end before it counts the test as done: about a second per test, or far
// more. scripts/test-windows.sh starts this keeper before ctest, and the
// Wine server ends it afterwards.

#include "platform/win32/win32_api.h"

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/,
                    PWSTR /*command_line*/, int /*show*/) {
  // Asking for the desktop window joins this program to the desktop.
  if (::GetDesktopWindow() == nullptr) {
    return 1;
  }
  ::Sleep(INFINITE);
  return 0;
}
