// GNOME's remote-desktop route on a real mutter (headless, one virtual
// monitor of 1280x800, scripts/gnomesession.sh): clicks, absolute and
// relative, reach a Wayland-native program at the aimed pixels, and the
// plotter's dots land where the pointer another session moved stands,
// each confirmed in the screen cast, and so do its lines.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/open_desktop.h"
#include "delivery/delivery_pacer.h"
#include "engine/plotter.h"
#include "fake_picture.h"
#include "gnome_stage.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"

namespace scrivlet {
namespace {

using testing::EngineCoordinate;
using Recorder = testing::ClickRecorder;

// One recorder for both halves: starting it and waiting until it covers
// the screen is most of the time a test on mutter takes.
TEST(MutterClicks, ClicksAndThePlotterLandAtTheAimedPixels) {
  Recorder recorder;
  ASSERT_EQ(recorder.ReadLine(), "ready");
  const auto hand = OpenGnomeRemoteDesktop();
  const DesktopArea area = hand->DesktopBounds();
  ASSERT_EQ(area, (DesktopArea{0, 0, 1280, 800}));
  ASSERT_TRUE(testing::WaitUntilFullScreen(*hand, recorder))
      << "the recorder's window never covered the screen";

  struct Case {
    ScreenPoint to;
    std::int32_t dx;  // a relative move after the absolute one
    std::int32_t dy;
    const char* landed;
  };
  const std::array cases{
      Case{{0, 0}, 0, 0, "0 0"},
      Case{{1279, 799}, 0, 0, "1279 799"},
      Case{{640, 400}, -40, 25, "600 425"},
  };
  constexpr std::uint32_t kClick = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;
  for (const Case& c : cases) {
    // Without a relative move the click comes in the absolute move's call,
    // which must move first.
    const bool relative = c.dx != 0 || c.dy != 0;
    hand->mouse_event(
        MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | (relative ? 0 : kClick),
        EngineCoordinate(c.to.x, area.width),
        EngineCoordinate(c.to.y, area.height));
    if (relative) {
      hand->mouse_event(MOUSEEVENTF_MOVE, c.dx, c.dy);
      hand->mouse_event(kClick, 0, 0);
    }
    EXPECT_EQ(recorder.ReadLine(), std::string("press ") + c.landed);
    EXPECT_EQ(recorder.ReadLine(), std::string("release ") + c.landed);
    const ScreenPoint at = hand->GetCursorPos();
    EXPECT_EQ(std::to_string(at.x) + " " + std::to_string(at.y), c.landed);
  }
  // The screen cast shows the pixel painted at the last click, on white,
  // and nothing of the pointer standing on it. The first frames after the
  // click may come before the program painted.
  const ScreenPoint dot{600, 425};
  const ScreenRect around{dot.x - 2, dot.y - 2, 5, 5};
  ScreenImage image = hand->CaptureScreenRegion(around);
  for (int tries = 0; tries < 100 && image.At(dot) != COLORREF{0}; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    image = hand->CaptureScreenRegion(around);
  }
  std::vector<std::optional<COLORREF>> painted;
  for (std::int32_t y = around.top; y < around.top + around.height; ++y) {
    for (std::int32_t x = around.left; x < around.left + around.width; ++x) {
      painted.emplace_back(ScreenPoint{x, y} == dot ? 0 : 0xFFFFFF);
    }
  }
  EXPECT_EQ(image.pixels, painted);

  // The whole absolute plotter, behind the delivery pacer as the program
  // runs it, draws every dark sample at its place from where the user put
  // the pointer, and the pacer sees each dot land: the pointer and the
  // dots are read from the screen cast at their exact pixels.
  const ScreenPoint corner{200, 100};
  // The user's hand, as another session, puts the pointer on the corner.
  // It stays: headless mutter shows no pointer once no pointing device is
  // left.
  hand->mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                    EngineCoordinate(corner.x, area.width),
                    EngineCoordinate(corner.y, area.height));
  const auto desktop = OpenDesktop();
  for (int tries = 0; tries < 100; ++tries) {
    try {
      if (desktop->GetCursorPos() == corner) {
        break;
      }
    } catch (const PlatformError&) {
      // Not shown yet: mutter sends the cursor with its next frame.
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::vector<std::string> rows{"#.#.#", ".#..#", "#####"};
  const testing::FakePicture picture(rows);
  constexpr std::int16_t kSpacing = 4;
  std::set<std::pair<int, int>> want;
  for (std::size_t row = 0; row < rows.size(); ++row) {
    for (std::size_t col = 0; col < rows[row].size(); ++col) {
      if (rows[row][col] == '#') {
        want.emplace(corner.x + static_cast<int>(col) * kSpacing,
                     corner.y + static_cast<int>(row) * kSpacing);
      }
    }
  }
  desktop->DrawingStarted();
  DrawAbsolute(*desktop, picture, DrawSettings{1, kSpacing, 200, kFalse},
               nullptr);
  desktop->DrawingEnded();
  std::set<std::pair<int, int>> pressed;
  int presses = 0;
  for (std::string line = recorder.ReadLine(); !line.empty();
       line = recorder.ReadLine(500)) {
    int x = 0;
    int y = 0;
    if (std::sscanf(line.c_str(), "press %d %d", &x, &y) == 2) {
      pressed.emplace(x, y);
      ++presses;
    }
  }
  EXPECT_EQ(pressed, want);
  const auto* pacer = dynamic_cast<const DeliveryPacer*>(desktop.get());
  ASSERT_NE(pacer, nullptr);
  EXPECT_EQ(pacer->stats().confirmed, static_cast<int>(want.size()));
  EXPECT_EQ(pacer->stats().safe_paced, 0);
  // A dot pressed twice is one the pacer sent again: its press had not
  // shown yet, or was lost.
  EXPECT_LE(presses, static_cast<int>(want.size()) + pacer->stats().repaired);

  // The line style, below the dots.
  EXPECT_EQ(testing::StrokeFaults(*desktop, recorder, {200, 200}), "");
}

}  // namespace
}  // namespace scrivlet
