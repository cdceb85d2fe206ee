// The real Win32 backend against the desktop it runs on (Wine on a virtual X
// server here): where the pointer lands, which messages a window receives,
// z-order, the key state and screen read-back.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "desktop_contract.h"
#include "engine_coordinate.h"
#include "platform/desktop.h"
#include "platform/win32/win32_api.h"
#include "pointer_settings.h"
#include "test_window.h"

namespace scrivlet::testing {
namespace {

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
    int acceleration[3];  // SPI_SETMOUSE: threshold 1, threshold 2, level
    ScreenPoint moved;    // after moves of (7, -3) and (0, 11) mouse units
  };
  for (const Case& c : {Case{"no acceleration", {0, 0, 0}, {7, 8}},
                        Case{"doubling", {6, 10, 1}, {14, 19}}}) {
    SCOPED_TRACE(c.name);
    const MouseAccelerationGuard acceleration(
        c.acceleration[0], c.acceleration[1], c.acceleration[2]);
    const ScreenPoint start = Centre(area_);
    MoveTo(start);
    desktop_->mouse_event(MOUSEEVENTF_MOVE, 7, -3);
    desktop_->mouse_event(MOUSEEVENTF_MOVE, 0, 11);
    desktop_->Flush();
    EXPECT_EQ(desktop_->GetCursorPos(),
              (ScreenPoint{start.x + c.moved.x, start.y + c.moved.y}));
  }
}

TEST_F(Win32DesktopTest, ButtonWithoutMovePressesWhereThePointerStands) {
  const DesktopArea area = MiddleArea(60, 60);
  TestWindow target(area, RGB(255, 255, 255));
  const ScreenPoint spot{area.left + 10, area.top + 50};
  MoveTo(spot);
  // Absolute flag, but no move: the coordinates must be ignored.
  desktop_->mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, 0, 0);
  desktop_->mouse_event(MOUSEEVENTF_LEFTUP, 65535, 65535);
  desktop_->Flush();
  EXPECT_EQ(target.WaitForButtons(2),
            (std::vector<ButtonMessage>{{ButtonMessage::Kind::Down, spot},
                                        {ButtonMessage::Kind::Up, spot}}));
}

TEST_F(Win32DesktopTest, TopmostIsSetAndClearedInPlace) {
  TestWindow target(MiddleArea(50, 40), RGB(255, 255, 255));
  const auto topmost = [&target] {
    return (::GetWindowLongPtrW(target.handle(), GWL_EXSTYLE) &
            WS_EX_TOPMOST) != 0;
  };
  RECT before{};
  ::GetWindowRect(target.handle(), &before);
  const auto handle = reinterpret_cast<NativeWindow>(target.handle());

  desktop_->SetWindowPos(handle, ZOrder::Topmost);
  EXPECT_TRUE(topmost());
  desktop_->SetWindowPos(handle, ZOrder::NotTopmost);
  EXPECT_FALSE(topmost());

  RECT after{};
  ::GetWindowRect(target.handle(), &after);
  EXPECT_TRUE(::EqualRect(&before, &after));
}

TEST_F(Win32DesktopTest, ScreenReadBackSeesAWindowsColourAlsoByRegion) {
  const DesktopArea area = MiddleArea(40, 30);
  const TestWindow target(area, RGB(0x12, 0x34, 0x56));
  // The X server shows the window's paint a moment later.
  const ScreenPoint inside{area.left + 20, area.top + 15};
  std::optional<COLORREF> colour;
  for (int attempt = 0; attempt < 100 && colour != 0x563412U; ++attempt) {
    PumpMessages(std::chrono::milliseconds(10));
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
      const TestWindow window({area.left + 10, area.top + 10, 20, 20},
                              RGB(255, 255, 255));
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
