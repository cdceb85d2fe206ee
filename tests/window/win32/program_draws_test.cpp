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
#include <set>
#include <string>

#include "canvas.h"
#include "started_program.h"
#include "window/core/controls.h"
#include "window/core/window_texts.h"
#include "window/win32/wic_picture_decoder.h"

namespace scrivlet::testing {
namespace {

using namespace std::chrono_literals;

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
    ASSERT_TRUE(Canvas::PumpUntil([&] { return canvas_.entered; }, 5s));
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
    ASSERT_GE(placed.left, canvas_.area.left + canvas_.area.width)
        << "over the canvas";
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
  Canvas canvas_{DesktopArea{20, 20, 600, 400}};
};

TEST_F(ProgramDrawsTest, F7DrawsEveryDotOfTheSampleAndNothingElse) {
  const std::set<Pixel> dots = ExpectedDots();
  ASSERT_GT(dots.size(), 100U);
  HoldKey(VK_F7);
  ASSERT_TRUE(Canvas::PumpUntil([&] { return Drawing(); }, 5s))
      << "F7 did nothing";
  ASSERT_TRUE(Canvas::PumpUntil([&] { return !Drawing(); }, 90s))
      << "never ended";
  Canvas::Pump(100ms);
  EXPECT_EQ(canvas_.painted, dots);
  EXPECT_EQ(canvas_.downs, static_cast<int>(dots.size()));
  EXPECT_EQ(canvas_.ups, canvas_.downs);
}

TEST_F(ProgramDrawsTest, DrawCommandDrawsBesideTheWindow) {
  const auto run = [](const std::wstring& arguments) -> DWORD {
    PROCESS_INFORMATION command{};
    EXPECT_TRUE(StartProgram(command, {}, arguments));
    EXPECT_TRUE(Canvas::PumpUntil(
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
  // along a row or a column (some of each where that takes fewer), and never
  // a line from one to the next.
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
  std::set<Pixel> runs = rows;
  runs.insert(columns.begin(), columns.end());
  const std::set<Pixel>& painted = canvas_.painted;
  EXPECT_TRUE(std::includes(painted.begin(), painted.end(), samples.begin(),
                            samples.end()))
      << "a sample not drawn";
  EXPECT_TRUE(
      std::includes(runs.begin(), runs.end(), painted.begin(), painted.end()))
      << "ink off every run";
  EXPECT_EQ(canvas_.ups, canvas_.downs);
  EXPECT_FALSE(canvas_.button_down);
}

TEST_F(ProgramDrawsTest, F8StopsADrawingMidwayWithNoButtonLeftDown) {
  // Every other pixel: a drawing long enough to be stopped midway, also
  // where the dots go in batches, well over a second.
  Type(Item(Control::Text2), "2");
  const std::size_t dots = ExpectedDots().size();
  HoldKey(VK_F7);
  ASSERT_TRUE(Canvas::PumpUntil([&] { return canvas_.downs >= 20; }, 20s))
      << "F7 did not draw";
  HoldKey(VK_F8);
  ASSERT_TRUE(Canvas::PumpUntil([&] { return !Drawing(); }, 10s))
      << "F8 did not stop the drawing";
  Canvas::Pump(200ms);
  EXPECT_LT(static_cast<std::size_t>(canvas_.downs), dots / 2)
      << "stopped late";
  EXPECT_EQ(canvas_.ups, canvas_.downs);
  EXPECT_FALSE(canvas_.button_down);
}

}  // namespace
}  // namespace scrivlet::testing
