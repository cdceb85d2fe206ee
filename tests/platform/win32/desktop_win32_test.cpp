// The real Win32 backend against the desktop it runs on (Wine on a virtual X
// server here): where the pointer lands, which messages a window receives,
// the key state and screen read-back.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "canvas.h"
#include "desktop_contract.h"
#include "engine_coordinate.h"
#include "platform/desktop.h"
#include "platform/win32/win32_api.h"

namespace scrivlet::testing {
namespace {

using namespace std::chrono_literals;

// Sets the acceleration of relative motion (SPI_SETMOUSE: two thresholds and
// a level, all 0 for none) for the guard's lifetime.
class AccelerationGuard {
 public:
  explicit AccelerationGuard(std::array<int, 3> wanted) {
    if (::SystemParametersInfoW(SPI_GETMOUSE, 0, saved_.data(), 0) == FALSE ||
        ::SystemParametersInfoW(SPI_SETMOUSE, 0, wanted.data(), 0) == FALSE) {
      throw std::runtime_error("SystemParametersInfoW(SPI_SETMOUSE) failed");
    }
  }
  AccelerationGuard(const AccelerationGuard&) = delete;
  AccelerationGuard& operator=(const AccelerationGuard&) = delete;
  AccelerationGuard(AccelerationGuard&&) = delete;
  AccelerationGuard& operator=(AccelerationGuard&&) = delete;
  ~AccelerationGuard() {
    ::SystemParametersInfoW(SPI_SETMOUSE, 0, saved_.data(), 0);
  }

 private:
  std::array<int, 3> saved_{};
};

ScreenPoint Centre(const DesktopArea& area) {
  return {area.left + area.width / 2, area.top + area.height / 2};
}

class Win32DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop_ = OpenNativeDesktop();
    area_ = desktop_->DesktopBounds();
  }

  void MoveTo(ScreenPoint pixel) {
    desktop_->mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                          EngineCoordinate(pixel.x - area_.left, area_.width),
                          EngineCoordinate(pixel.y - area_.top, area_.height));
  }

  // A window over the middle of the desktop.
  [[nodiscard]] DesktopArea MiddleArea(std::int32_t width,
                                       std::int32_t height) const {
    const ScreenPoint centre = Centre(area_);
    return {centre.x - width / 2, centre.y - height / 2, width, height};
  }

  std::unique_ptr<PlatformInput> desktop_;
  DesktopArea area_;
};

// What a thread of the given DPI awareness sees of the desktop.
struct DesktopView {
  DesktopArea bounds;
  ScreenPoint cursor;
  friend bool operator==(const DesktopView&, const DesktopView&) = default;
};

DesktopView ViewOfThisThread() {
  POINT cursor{};
  ::GetCursorPos(&cursor);
  return {{::GetSystemMetrics(SM_XVIRTUALSCREEN),
           ::GetSystemMetrics(SM_YVIRTUALSCREEN),
           ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
           ::GetSystemMetrics(SM_CYVIRTUALSCREEN)},
          {cursor.x, cursor.y}};
}

void PrintTo(const DesktopView& view, std::ostream* out) {
  *out << view.bounds.width << "x" << view.bounds.height << " at ("
       << view.bounds.left << ", " << view.bounds.top << "), cursor ("
       << view.cursor.x << ", " << view.cursor.y << ")";
}

// A DPI-unaware thread on a scaled display sees a shrunken desktop; the
// desktop opened on such a thread must still work in physical pixels.
TEST(Win32DpiTest, ADesktopOpenedOnAnUnawareThreadWorksInPhysicalPixels) {
  if (::GetDpiForSystem() == USER_DEFAULT_SCREEN_DPI) {
    GTEST_SKIP() << "needs a display scaled above 100% "
                    "(scripts/test-windows.sh sets 144 dpi)";
  }
  DesktopView physical;
  DesktopView unaware;
  DesktopView opened;
  std::thread([&] {
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    physical = ViewOfThisThread();
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_UNAWARE);
    unaware = ViewOfThisThread();
    const std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
    opened = {desktop->DesktopBounds(), desktop->GetCursorPos()};
  }).join();
  EXPECT_LT(unaware.bounds.width, physical.bounds.width);
  EXPECT_EQ(opened, physical);
}

// Relative moves are handed to Windows as relative motion, so the user's
// pointer settings apply to them as to a real mouse: without acceleration a
// mouse unit is a pixel; with the classic setting a move beyond the first
// threshold (6) counts double.
TEST_F(Win32DesktopTest, RelativeMovesGoThroughThePointerSettings) {
  struct Case {
    const char* name;
    std::array<int, 3> acceleration;  // threshold 1, threshold 2, level
    ScreenPoint moved;  // after moves of (7, -3) and (0, 11) mouse units
  };
  for (const Case& c : {Case{"no acceleration", {0, 0, 0}, {7, 8}},
                        Case{"doubling", {6, 10, 1}, {14, 19}}}) {
    SCOPED_TRACE(c.name);
    const AccelerationGuard acceleration(c.acceleration);
    const ScreenPoint start = Centre(area_);
    MoveTo(start);
    desktop_->mouse_event(MOUSEEVENTF_MOVE, 7, -3);
    desktop_->mouse_event(MOUSEEVENTF_MOVE, 0, 11);
    desktop_->Flush();
    EXPECT_EQ(desktop_->GetCursorPos(),
              (ScreenPoint{start.x + c.moved.x, start.y + c.moved.y}));
  }
}

// Absolute flag, but no move: the coordinates are ignored, also when a
// relative move has put the pointer there since the last absolute one.
TEST_F(Win32DesktopTest, ButtonWithoutMovePressesWhereThePointerStands) {
  const AccelerationGuard no_acceleration({0, 0, 0});
  for (const int relative : {0, 4}) {
    const DesktopArea area = MiddleArea(60, 60);
    Canvas target(area);
    const ScreenPoint spot{area.left + 10, area.top + 50};
    MoveTo({spot.x - relative, spot.y});
    if (relative != 0) desktop_->mouse_event(MOUSEEVENTF_MOVE, relative, 0);
    desktop_->mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, 0, 0);
    desktop_->mouse_event(MOUSEEVENTF_LEFTUP, 65535, 65535);
    desktop_->Flush();
    EXPECT_TRUE(Canvas::PumpUntil([&] { return target.ups > 0; }, 2s));
    EXPECT_EQ(target.painted, (std::set<Pixel>{{spot.x, spot.y}})) << relative;
    EXPECT_EQ(target.downs, 1);
  }
}

TEST_F(Win32DesktopTest, ScreenReadBackSeesAWindowsColourAlsoByRegion) {
  const DesktopArea area = MiddleArea(40, 30);
  const Canvas target(area, RGB(0x12, 0x34, 0x56));
  // The X server shows the window's paint a moment later.
  const ScreenPoint inside{area.left + 20, area.top + 15};
  std::optional<COLORREF> colour;
  for (int attempt = 0; attempt < 100 && colour != 0x563412U; ++attempt) {
    Canvas::Pump(10ms);
    colour = desktop_->ReadScreenPixel(inside);
  }
  EXPECT_EQ(colour, std::optional<COLORREF>(0x563412U));
  // Across the window's edges, and over the desktop's bottom-right corner.
  for (const ScreenRect rect :
       {ScreenRect{area.left - 3, area.top - 2, 10, 6},
        ScreenRect{area_.left + area_.width - 4, area_.top + area_.height - 3,
                   8, 6}}) {
    const ScreenImage at_once = desktop_->CaptureScreenRegion(rect);
    const ScreenImage pixel_by_pixel =
        desktop_->PlatformInput::CaptureScreenRegion(rect);
    EXPECT_EQ(at_once.pixels, pixel_by_pixel.pixels);
  }
}

// Keys are injected inside Windows: an X-level key press does not reach a
// Windows program that has no focus.
void SendKey(WORD virtual_key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtual_key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ASSERT_EQ(::SendInput(1, &input, sizeof(input)), 1U);
}

// The shared contract on this desktop.
class Win32Rig : public ContractRig {
 public:
  PlatformInput& desktop() override { return *desktop_; }
  void Key(int virtual_key, bool down) override {
    SendKey(static_cast<WORD>(virtual_key), !down);
  }
  NativeWindow GoneWindow() override {
    const DesktopArea area = desktop_->DesktopBounds();
    HWND gone = nullptr;
    {
      const Canvas window({area.left + 10, area.top + 10, 20, 20});
      gone = window.handle();
    }
    return reinterpret_cast<NativeWindow>(gone);
  }

 private:
  std::unique_ptr<PlatformInput> desktop_ = OpenNativeDesktop();
};

INSTANTIATE_TEST_SUITE_P(Win32, DesktopContractTest,
                         ::testing::Values(RigMaker{
                             "Desktop",
                             []() -> std::unique_ptr<ContractRig> {
                               return std::make_unique<Win32Rig>();
                             }}),
                         RigName);

}  // namespace
}  // namespace scrivlet::testing
