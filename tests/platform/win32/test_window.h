#pragma once

// A small paint target for the Windows backend's tests: a borderless window at
// a given place on the screen that records every left-button message with its
// screen position.
//
// It belongs to the test's own thread. Under Wine a window of another thread
// (or program) turns the X server's echo of every pointer warp into a late
// pointer move of its own, which can overtake the next synthetic event; the
// thread that warped the pointer knows its echoes and drops them. On Windows
// there is no such echo.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "platform/win32/win32_api.h"

namespace scrivlet {
void PrintTo(const ScreenPoint& point, std::ostream* out);
}  // namespace scrivlet

namespace scrivlet::testing {

struct ButtonMessage {
  enum class Kind : std::uint8_t { Down, Up };
  Kind kind = Kind::Down;
  ScreenPoint at;
  friend bool operator==(const ButtonMessage&, const ButtonMessage&) = default;
};

void PrintTo(const ButtonMessage& message, std::ostream* out);

class TestWindow {
 public:
  // Shows the window over `area` (screen pixels) filled with `background`.
  TestWindow(DesktopArea area, ::COLORREF background);
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  TestWindow(TestWindow&&) = delete;
  TestWindow& operator=(TestWindow&&) = delete;
  ~TestWindow();

  [[nodiscard]] HWND handle() const { return handle_; }

  // Handles this thread's messages until at least `count` button messages
  // have arrived or `timeout` has passed, and returns them all.
  std::vector<ButtonMessage> WaitForButtons(
      std::size_t count,
      std::chrono::milliseconds timeout = std::chrono::seconds(2));

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam);
  void Record(ButtonMessage::Kind kind, LPARAM lparam);
  void Paint();

  ::COLORREF background_;
  HWND handle_ = nullptr;
  std::vector<ButtonMessage> buttons_;
};

// Handles this thread's pending messages for about `duration`.
void PumpMessages(std::chrono::milliseconds duration);

}  // namespace scrivlet::testing
