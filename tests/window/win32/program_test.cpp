// The whole Windows program under Wine, driven as a user drives it: xdotool
// moves the pointer and holds F7 or F8 on the X server, which reaches Wine;
// Scrivlet clicks into mtpaint, a Linux paint program on the same X server.
// Every dot of the sample must land, with no stray pixel; F8 stops a drawing
// midway with no button left down. The screen is read through Wine, whose
// screen device context shows the whole X screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/colour.h"
#include "window/controls.h"
#include "window/win32/wic_picture_decoder.h"
#include "window/win32/wide_text.h"
#include "window/win32/windows_ui.h"
#include "window/window_texts.h"

namespace scrivlet::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A folder on the Unix side for scripts, their output and mtpaint's home.
const std::string kWork = "/tmp/scrivlet-wine-program-" +
                          std::to_string(::GetCurrentProcessId());

std::wstring WindowsPath(const std::string& unix_path) {
  std::wstring path = L"Z:" + Utf16(unix_path);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// Runs a shell script on the Unix side (Wine starts Unix programs too) and
// returns what it printed; fails the test if it does not finish in time or
// exits non-zero.
std::string Sh(const std::string& script,
               std::chrono::milliseconds timeout = 20s) {
  static int count = 0;
  const std::string base = kWork + "/step" + std::to_string(++count);
  std::ofstream(std::filesystem::path(WindowsPath(base + ".sh")))
      << "(\n" << script << "\n) >" << base << ".out 2>&1; echo $? >"
      << base << ".rc.tmp; mv " << base << ".rc.tmp " << base << ".rc\n";
  std::wstring command = L"Z:\\bin\\sh " + Utf16(base + ".sh");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                       nullptr, nullptr, &startup, &process) == FALSE) {
    ADD_FAILURE() << "Wine did not start /bin/sh";
    return {};
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  const auto until = Clock::now() + timeout;
  const std::filesystem::path rc(WindowsPath(base + ".rc"));
  while (!std::filesystem::exists(rc) && Clock::now() < until) {
    std::this_thread::sleep_for(20ms);
  }
  std::ifstream out(std::filesystem::path(WindowsPath(base + ".out")));
  std::string printed((std::istreambuf_iterator<char>(out)),
                      std::istreambuf_iterator<char>());
  int status = -1;
  std::ifstream(rc) >> status;
  EXPECT_EQ(status, 0) << script << "\n" << printed;
  return printed;
}

// Pixels of the screen as Wine shows them, 0x00BBGGRR like GetPixel.
class Capture {
 public:
  Capture(int left, int top, int width, int height)
      : left_(left), top_(top), width_(width), height_(height),
        pixels_(static_cast<std::size_t>(width) * height) {
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB,
                      0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap =
        ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    ::GdiFlush();
    const auto* bgra = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels_.size(); ++i) {
      const std::uint32_t p = bgra[i];  // 0x00RRGGBB
      pixels_[i] = (p >> 16U & 0xFFU) | (p & 0xFF00U) | (p & 0xFFU) << 16U;
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
  }
  [[nodiscard]] std::uint32_t At(int x, int y) const {
    return pixels_[static_cast<std::size_t>(y - top_) * width_ + (x - left_)];
  }
  [[nodiscard]] bool Holds(int x, int y) const {
    return x >= left_ && y >= top_ && x < left_ + width_ && y < top_ + height_;
  }

 private:
  int left_, top_, width_, height_;
  std::vector<std::uint32_t> pixels_;
};

struct Area {
  int left = 0, top = 0, width = 0, height = 0;
};

// The uniform area around a point: the blank canvas.
Area UniformAround(const Capture& image, int x, int y) {
  const std::uint32_t paper = image.At(x, y);
  const auto same = [&](int px, int py) {
    return image.Holds(px, py) && image.At(px, py) == paper;
  };
  int left = x, right = x, top = y, bottom = y;
  while (same(left - 1, y)) --left;
  while (same(right + 1, y)) ++right;
  while (same(x, top - 1)) --top;
  while (same(x, bottom + 1)) ++bottom;
  return {left, top, right - left + 1, bottom - top + 1};
}

std::string Caption(HWND window) {
  wchar_t text[256] = {};
  ::SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return Utf8(text);
}

struct FindForm {
  DWORD process;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<FindForm*>(data);
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  if (process == search->process && std::wstring(name) == L"ScrivletForm1") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Screen coordinates in physical pixels, as Scrivlet's own.
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    std::filesystem::create_directories(std::filesystem::path(WindowsPath(kWork)));
    // mtpaint at its defaults (a fresh home), its palette beside the canvas
    // window, the paint tool (F4) with its one-pixel brush.
    Sh("mkdir -p " + kWork + "/home\n"
       "HOME=" + kWork + "/home setsid mtpaint >/dev/null 2>&1 &\n"
       "echo $! >" + kWork + "/mtpaint.pid\n"
       "w=$(xdotool search --sync --onlyvisible --name '^mtPaint' | head -1)\n"
       "t=$(xdotool search --sync --onlyvisible --name '^Settings Toolbar' | head -1)\n"
       "xdotool windowmove $t 1010 0\n"
       "xdotool windowsize --sync $w 1000 800 windowmove --sync $w 0 0\n"
       "xdotool windowactivate --sync $w key F4\n",
       30s);
    StartScrivlet();
    // The canvas: the blank area around the middle of mtpaint's window, once
    // two looks agree.
    Area last{};
    for (int i = 0; i < 50; ++i) {
      std::this_thread::sleep_for(200ms);
      const Capture window(0, 0, 1000, 800);
      const Area area = UniformAround(window, 500, 400);
      const bool same = area.left == last.left && area.top == last.top &&
                        area.width == last.width && area.height == last.height;
      last = area;
      paper_ = window.At(500, 400);
      if (same && area.width >= 300 && area.height >= 200) {
        break;
      }
    }
    canvas_ = last;
    ASSERT_GE(canvas_.width, 300) << "mtpaint showed no blank canvas";
    origin_ = {canvas_.left + 10, canvas_.top + 10};
  }

  void TearDown() override {
    if (form_ != nullptr) {
      ::PostMessageW(form_, WM_CLOSE, 0, 0);
    }
    if (scrivlet_.hProcess != nullptr) {
      if (::WaitForSingleObject(scrivlet_.hProcess, 10000) != WAIT_OBJECT_0) {
        ::TerminateProcess(scrivlet_.hProcess, 1);
      }
      ::CloseHandle(scrivlet_.hProcess);
    }
    Sh("kill $(cat " + kWork + "/mtpaint.pid) 2>/dev/null; true");
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(WindowsPath(kWork)),
                                ignored);
  }

  void StartScrivlet() {
    std::wstring command = L"\"" + WindowsPath(SCRIVLET_EXECUTABLE) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr,
                                 FALSE, 0, nullptr, nullptr, &startup,
                                 &scrivlet_));
    ::CloseHandle(scrivlet_.hThread);
    for (int i = 0; i < 200 && form_ == nullptr; ++i) {
      FindForm search{scrivlet_.dwProcessId};
      ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
      form_ = search.found;
      std::this_thread::sleep_for(50ms);
    }
    ASSERT_NE(form_, nullptr) << "Scrivlet's window did not appear";
    // Beside the canvas, where no dot falls.
    ::SetWindowPos(form_, nullptr, 1010, 480, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Holds a key for 0.15 s at the pointer, as a user does.
  static void Press(const char* key) {
    Sh(std::string("xdotool keydown ") + key + "; sleep 0.15; xdotool keyup " +
       key);
  }

  // Waits for the caption to show a drawing (at least `percent` done).
  bool WaitForProgress(int percent, std::chrono::milliseconds timeout) {
    const std::string drawing = "描画中 ";
    for (const auto until = Clock::now() + timeout; Clock::now() < until;) {
      const std::string caption = Caption(form_);
      const auto at = caption.find(drawing);
      if (at != std::string::npos &&
          std::atoi(caption.c_str() + at + drawing.size()) >= percent) {
        return true;
      }
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }

  bool WaitForIdle(std::chrono::milliseconds timeout) {
    for (const auto until = Clock::now() + timeout; Clock::now() < until;) {
      if (Caption(form_) == texts::kCaption) {
        return true;
      }
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  // Where the sample's dots land at the default settings: absolute, every
  // second pixel, one screen pixel per picture pixel, dark up to 200.
  [[nodiscard]] std::set<std::pair<int, int>> ExpectedDots() const {
    std::ifstream file(std::filesystem::path(
                           WindowsPath(SCRIVLET_RESOURCES_DIR "/sample.gif")),
                       std::ios::binary);
    const std::vector<std::uint8_t> bytes(
        (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const Picture sample = DecodePictureBytesWic(bytes).picture;
    EXPECT_FALSE(sample.empty());
    std::set<std::pair<int, int>> dots;
    for (int y = 0; y < sample.height; y += 2) {
      for (int x = 0; x < sample.width; x += 2) {
        const std::uint32_t argb =
            sample.argb[static_cast<std::size_t>(y) * sample.width + x];
        // Transparent parts show the box's white.
        const COLORREF shown =
            (argb >> 24U) == 0 ? 0xFFFFFFU
                               : (argb >> 16U & 0xFFU) | (argb & 0xFF00U) |
                                     (argb & 0xFFU) << 16U;
        if (IsDark(shown, 200.0)) {
          dots.insert({origin_.x + x, origin_.y + y});
        }
      }
    }
    return dots;
  }

  struct Tally {
    int landed = 0, missing = 0, stray = 0;
  };

  [[nodiscard]] Tally Check(const std::set<std::pair<int, int>>& dots) const {
    const Capture canvas(canvas_.left, canvas_.top, canvas_.width,
                         canvas_.height);
    Tally tally;
    for (int y = canvas_.top; y < canvas_.top + canvas_.height; ++y) {
      for (int x = canvas_.left; x < canvas_.left + canvas_.width; ++x) {
        const bool inked = canvas.At(x, y) != paper_;
        const bool wanted = dots.contains({x, y});
        tally.landed += wanted && inked ? 1 : 0;
        tally.missing += wanted && !inked ? 1 : 0;
        tally.stray += !wanted && inked ? 1 : 0;
      }
    }
    return tally;
  }

  PROCESS_INFORMATION scrivlet_{};
  HWND form_ = nullptr;
  Area canvas_;
  POINT origin_{};
  std::uint32_t paper_ = 0;
};

TEST_F(ProgramTest, F7DrawsEveryDotOfTheSampleIntoMtpaint) {
  Sh("xdotool mousemove " + std::to_string(origin_.x) + " " +
     std::to_string(origin_.y));
  const auto started = Clock::now();
  Press("F7");
  ASSERT_TRUE(WaitForProgress(0, 5s)) << "F7 did not start a drawing";
  ASSERT_TRUE(WaitForIdle(120s)) << "the drawing did not end";
  std::cout << "drawing took "
            << std::chrono::duration_cast<std::chrono::milliseconds>(
                   Clock::now() - started)
                   .count()
            << " ms\n";
  std::this_thread::sleep_for(300ms);  // mtpaint shows its last dot
  const auto dots = ExpectedDots();
  const Tally tally = Check(dots);
  EXPECT_EQ(tally.landed, static_cast<int>(dots.size()));
  EXPECT_EQ(tally.missing, 0);
  EXPECT_EQ(tally.stray, 0);
  EXPECT_EQ(::GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0);
}

TEST_F(ProgramTest, F8StopsADrawingMidwayWithNoButtonLeftDown) {
  Sh("xdotool mousemove " + std::to_string(origin_.x) + " " +
     std::to_string(origin_.y));
  Press("F7");
  ASSERT_TRUE(WaitForProgress(20, 60s)) << "the drawing did not get going";
  Press("F8");
  ASSERT_TRUE(WaitForIdle(10s)) << "F8 did not stop the drawing";
  // The button is up as Wine, which sent Scrivlet's clicks, knows it.
  EXPECT_EQ(::GetAsyncKeyState(VK_LBUTTON) & 0x8000, 0)
      << "the left button was left down";
  const auto dots = ExpectedDots();
  const Tally tally = Check(dots);
  EXPECT_GT(tally.landed, 0);
  EXPECT_GT(tally.missing, 0) << "the drawing was not stopped midway";
}

}  // namespace
}  // namespace scrivlet::testing
