// The whole program as a user drives it: the real scrivlet.exe, the pointer
// on a paint target, F7 held to draw the sample, F8 to stop a drawing.
//
// The paint target is a window of this test, not a Linux paint program: Wine
// hands SendInput's button events to Wine's own windows only (its X11 driver
// warps the X pointer and never fakes a button on the X server), so no X
// program under the drawing receives a click.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "started_program.h"
#include "window/core/controls.h"
#include "window/core/window_texts.h"
#include "window/win32/wic_picture_decoder.h"

namespace scrivlet::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Pixel = std::pair<int, int>;

// A paint program reduced to what the test needs: a black pixel wherever
// the left button goes down or moves while down, and a line from where it
// went down to where it comes up, as a line tool draws; painted at once so
// that Scrivlet's pacer sees each dot and line land. Not along the moves:
// Wine marks a move as held when the next press is on its way.
class Canvas {
 public:
  explicit Canvas(RECT place) : area(place) {
    WNDCLASSW type{};
    type.lpfnWndProc = &Procedure;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    type.lpszClassName = L"ScrivletTestCanvas";
    ::RegisterClassW(&type);
    // Clicks on it leave the keyboard focus where it was, as with F7 and F8
    // on Windows, which count whichever window has the focus.
    handle_ = ::CreateWindowExW(
        WS_EX_TOPMOST | WS_EX_NOACTIVATE, type.lpszClassName, L"", WS_POPUP,
        place.left, place.top, place.right - place.left,
        place.bottom - place.top, nullptr, nullptr, type.hInstance, this);
    ::ShowWindow(handle_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(handle_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  Canvas(Canvas&&) = delete;
  Canvas& operator=(Canvas&&) = delete;
  ~Canvas() { ::DestroyWindow(handle_); }

  // Handles this thread's messages for `duration`.
  static void Pump(std::chrono::milliseconds duration) {
    for (const auto until = Clock::now() + duration; Clock::now() < until;) {
      MSG message{};
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        ::DispatchMessageW(&message);
      }
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
  }

  RECT area;                // on the screen
  std::set<Pixel> painted;  // screen pixels
  int downs = 0;
  int ups = 0;
  bool button_down = false;
  bool entered = false;  // the pointer has been seen over it

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam) {
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* canvas =
        reinterpret_cast<Canvas*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (canvas != nullptr) {
      const POINT at{static_cast<std::int16_t>(LOWORD(lparam)),
                     static_cast<std::int16_t>(HIWORD(lparam))};
      if (message == WM_LBUTTONDOWN) {
        ++canvas->downs;
        canvas->button_down = true;
        canvas->Paint(window, at, at);
        canvas->pressed_ = at;
      } else if (message == WM_MOUSEMOVE) {
        canvas->entered = true;
        if ((wparam & MK_LBUTTON) != 0) canvas->Paint(window, at, at);
      } else if (message == WM_LBUTTONUP) {
        ++canvas->ups;
        canvas->button_down = false;
        canvas->Paint(window, canvas->pressed_, at);
      } else if (message == WM_MOUSEACTIVATE) {
        return MA_NOACTIVATE;
      }
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void Paint(HWND window, POINT from, POINT to) {
    HDC dc = ::GetDC(window);
    const LONG steps =
        std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
    for (LONG i = 0; i <= steps; ++i) {
      POINT at = from;
      if (steps != 0) {
        at.x += (to.x - from.x) * i / steps;
        at.y += (to.y - from.y) * i / steps;
      }
      ::SetPixel(dc, at.x, at.y, RGB(0, 0, 0));
      ::ClientToScreen(window, &at);
      painted.insert({at.x, at.y});
    }
    ::ReleaseDC(window, dc);
  }

  HWND handle_ = nullptr;
  POINT pressed_{};
};

// The dots with the pixels between each two `gap` apart along a row (or a
// column) inked too: what strokes along that axis paint.
std::set<Pixel> Joined(const std::set<Pixel>& dots, int gap, bool rows) {
  std::set<Pixel> ink = dots;
  for (const auto& [x, y] : dots) {
    if (!dots.contains(rows ? Pixel{x + gap, y} : Pixel{x, y + gap})) continue;
    for (int i = 1; i < gap; ++i) {
      ink.insert(rows ? Pixel{x + i, y} : Pixel{x, y + i});
    }
  }
  return ink;
}

// Holds a key down for 0.15 s, as a user does, while the canvas works.
// Injected inside Wine: Wine passes an X key press only to a focused window
// of its own, and the focus is the canvas's or anyone's during a drawing.
void HoldKey(WORD key) {
  // What this test's windows have pending is handled first: Wine's X11
  // driver may reset the key state to the X server's while handling it.
  Canvas::Pump(200ms);
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  ::SendInput(1, &input, sizeof(input));
  Canvas::Pump(150ms);
  input.ki.dwFlags = KEYEVENTF_KEYUP;
  ::SendInput(1, &input, sizeof(input));
}

class ProgramDrawsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Screen coordinates in physical pixels, as the program's own.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    // Wine's X11 driver, handling the pointer's entry into the canvas, resets
    // the key state to the X server's own, which would release a key this
    // test holds: the entry is handled before any key is pressed.
    ::SetCursorPos(kOrigin.x, kOrigin.y);
    ASSERT_TRUE(PumpUntil([&] { return canvas_.entered; }, 5s));
    // The program opens beside the canvas, where no dot falls and away from
    // the pointer: a Wine window that appears under the pointer reports the
    // pointer's place late, as a move of its own, in the middle of a drawing.
    STARTUPINFOW startup{};
    startup.dwFlags = STARTF_USEPOSITION;
    startup.dwX = 700;
    startup.dwY = 20;
    ASSERT_TRUE(StartProgram(process_, startup))
        << "error " << ::GetLastError();
    form_ = WaitForForm(process_.dwProcessId);
    ASSERT_NE(form_, nullptr) << "the window did not appear";
    RECT placed{};
    ::GetWindowRect(form_, &placed);
    ASSERT_GE(placed.left, canvas_.area.right) << "over the canvas";
    // Every fourth pixel: a few hundred dots.
    Type(Item(Control::Text2), "4");
  }

  void TearDown() override {
    if (process_.hProcess == nullptr) return;
    EXPECT_TRUE(CloseProgram(process_, form_)) << "the program did not close";
  }

  [[nodiscard]] HWND Item(Control box) const {
    return ::GetDlgItem(form_, Info(box).id);
  }
  [[nodiscard]] int Number(Control box) const {
    return std::stoi(TextOf(Item(box)));
  }
  // The caption as Windows keeps it: a message to the program would wait
  // for its drawing, which waits for this thread's canvas.
  [[nodiscard]] bool Drawing() const {
    wchar_t text[256] = {};
    ::GetWindowTextW(form_, text, 256);
    return Utf8(text) != texts::kCaption;
  }

  // Works the canvas until `done` holds or `timeout` has passed.
  template <typename Done>
  bool PumpUntil(Done done, std::chrono::seconds timeout) {
    for (const auto until = Clock::now() + timeout; Clock::now() < until;) {
      Canvas::Pump(10ms);
      if (done()) return true;
    }
    return false;
  }

  // Where the sample's dots belong with the window's settings, from the
  // pointer at `origin`, worked out here rather than by the engine's plotter:
  // every step-th pixel along both axes whose brightness is not above the
  // threshold (the box, as large as the sample, is white beyond it, and so
  // are the sample's transparent pixels).
  [[nodiscard]] std::set<Pixel> ExpectedDots(
      ScreenPoint origin = kOrigin) const {
    const Picture sample =
        WicPictureDecoder()
            .Decode(Utf8(WindowsPath(SCRIVLET_SAMPLE).wstring()))
            .picture;
    const int scale = Number(Control::Text1);
    const int step = Number(Control::Text2);
    const int limit = 3 * Number(Control::Text4);
    std::set<Pixel> dots;
    for (int x = 0; x < sample.width; x += step) {
      for (int y = 0; y < sample.height; y += step) {
        const std::uint32_t argb =
            sample.argb[(static_cast<std::size_t>(y) * sample.width) + x];
        const auto sum = static_cast<int>(
            (argb >> 16U & 0xFFU) + (argb >> 8U & 0xFFU) + (argb & 0xFFU));
        if ((argb >> 24U) != 0 && sum <= limit) {
          dots.insert({origin.x + x * scale, origin.y + y * scale});
        }
      }
    }
    return dots;
  }

  static constexpr ScreenPoint kOrigin{40, 40};
  PROCESS_INFORMATION process_{};
  HWND form_ = nullptr;
  Canvas canvas_{RECT{20, 20, 620, 420}};
};

TEST_F(ProgramDrawsTest, F7DrawsEveryDotOfTheSampleAndNothingElse) {
  const std::set<Pixel> dots = ExpectedDots();
  ASSERT_GT(dots.size(), 100U);
  HoldKey(VK_F7);
  ASSERT_TRUE(PumpUntil([&] { return Drawing(); }, 5s)) << "F7 did nothing";
  ASSERT_TRUE(PumpUntil([&] { return !Drawing(); }, 90s)) << "never ended";
  Canvas::Pump(100ms);
  EXPECT_EQ(canvas_.painted, dots);
  EXPECT_EQ(canvas_.downs, static_cast<int>(dots.size()));
  EXPECT_EQ(canvas_.ups, canvas_.downs);
}

TEST_F(ProgramDrawsTest, DrawCommandDrawsBesideTheWindow) {
  const auto run = [this](const std::wstring& arguments) -> DWORD {
    PROCESS_INFORMATION command{};
    EXPECT_TRUE(StartProgram(command, {}, arguments));
    EXPECT_TRUE(PumpUntil(
        [&] { return ::WaitForSingleObject(command.hProcess, 0) == 0; }, 90s));
    DWORD status = 0;
    ::GetExitCodeProcess(command.hProcess, &status);
    ::CloseHandle(command.hProcess);
    return status;
  };
  EXPECT_EQ(run(L"draw --bogus"), 2U);
  EXPECT_TRUE(canvas_.painted.empty());

  const std::set<Pixel> dots = ExpectedDots();
  const std::wstring sample = WindowsPath(SCRIVLET_SAMPLE).wstring();
  EXPECT_EQ(run(L"draw \"" + sample + L"\" --coarseness 4 --at 40,40"), 0U);
  Canvas::Pump(100ms);
  EXPECT_EQ(canvas_.painted, dots);
  EXPECT_EQ(canvas_.ups, canvas_.downs);

  // Below them as strokes: one press, move and release for each run of dots
  // along the rows or the columns, and never a line from one to the next.
  canvas_.painted.clear();
  canvas_.downs = canvas_.ups = 0;
  const std::set<Pixel> samples = ExpectedDots({40, 200});
  EXPECT_EQ(
      run(L"draw \"" + sample + L"\" --coarseness 4 --at 40,200 --strokes"),
      0U);
  Canvas::Pump(100ms);
  const int gap = Number(Control::Text1) * Number(Control::Text2);
  const std::set<Pixel> rows = Joined(samples, gap, true);
  const std::set<Pixel> columns = Joined(samples, gap, false);
  const std::set<Pixel>& ink = canvas_.painted == rows ? rows : columns;
  EXPECT_EQ(canvas_.painted, ink) << "neither rows nor columns";
  EXPECT_EQ(canvas_.ups, canvas_.downs);
  EXPECT_FALSE(canvas_.button_down);
}

TEST_F(ProgramDrawsTest, F8StopsADrawingMidwayWithNoButtonLeftDown) {
  // Every other pixel: a drawing long enough to be stopped midway, also
  // where the dots go in batches, well over a second.
  Type(Item(Control::Text2), "2");
  const std::size_t dots = ExpectedDots().size();
  HoldKey(VK_F7);
  ASSERT_TRUE(PumpUntil([&] { return canvas_.downs >= 20; }, 20s))
      << "F7 did not draw";
  HoldKey(VK_F8);
  ASSERT_TRUE(PumpUntil([&] { return !Drawing(); }, 10s))
      << "F8 did not stop the drawing";
  Canvas::Pump(200ms);
  EXPECT_LT(static_cast<std::size_t>(canvas_.downs), dots / 2)
      << "stopped late";
  EXPECT_EQ(canvas_.ups, canvas_.downs);
  EXPECT_FALSE(canvas_.button_down);
}

}  // namespace
}  // namespace scrivlet::testing
