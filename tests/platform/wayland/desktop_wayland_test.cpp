// The Wayland backend on headless sway: motion lands on the aimed pixel,
// buttons arrive where the pointer stands, the screen reads back as the
// recording surface painted it; and a compositor that dies while events
// are being sent.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "absolute_aim.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"
#include "recording_surface.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

class WaylandDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { UseWaylandSession(FixtureSessionFile()); }
};

TEST_F(WaylandDesktopTest, MotionLandsOnTheAimedPixelAndButtonsFollowIt) {
  RecordingSurface surface;
  const auto desktop = OpenWaylandDesktop();
  const DesktopArea area = desktop->DesktopBounds();
  ASSERT_GT(area.width, 100);
  struct Step {
    const char* name;
    bool absolute;
    ScreenPoint by_or_to;
    ScreenPoint expected;
  };
  const ScreenPoint corner{area.width - 1, area.height - 1};
  const std::array steps{
      Step{"absolute", true, {101, 53}, {101, 53}},
      Step{"relative", false, {7, -3}, {108, 50}},
      Step{"relative past the left edge", false, {-5000, 1}, {0, 51}},
      Step{"absolute to the far corner", true, corner, corner},
      Step{"relative past the far corner", false, {10, 10}, corner},
      Step{"absolute to the origin", true, {0, 0}, {0, 0}},
  };
  for (const Step& step : steps) {
    if (step.absolute) {
      MoveTo(*desktop, step.by_or_to);
    } else {
      desktop->mouse_event(MOUSEEVENTF_MOVE, step.by_or_to.x, step.by_or_to.y);
    }
    EXPECT_EQ(desktop->GetCursorPos(), step.expected) << step.name;
  }

  MoveTo(*desktop, {200, 100});
  const std::vector<SurfaceRecord> expected =
      ClickThenDrag(*desktop, {200, 100});
  EXPECT_EQ(surface.Buttons(expected.size()), expected);
}

TEST_F(WaylandDesktopTest, ScreenReadsBackAsPainted) {
  const RecordingSurface surface;
  const auto desktop = OpenWaylandDesktop();
  const DesktopArea area = desktop->DesktopBounds();
  // Reaches past the right edge: those pixels are off the screen.
  const ScreenRect region{area.width - 3, 5, 6, 4};
  const ScreenImage image = desktop->CaptureScreenRegion(region);
  ASSERT_EQ(image.area, region);
  for (std::int32_t y = region.top; y < region.top + region.height; ++y) {
    for (std::int32_t x = region.left; x < region.left + region.width; ++x) {
      if (x < area.width) {
        EXPECT_EQ(image.At({x, y}), PatternAt({x, y})) << x << "," << y;
      } else {
        EXPECT_FALSE(image.At({x, y}).has_value()) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(desktop->ReadScreenPixel({37, 23}), PatternAt({37, 23}));
}

TEST_F(WaylandDesktopTest, DyingCompositorEndsInAnErrorNotAHang) {
  const PrivateSway sway;
  UseWaylandSession(sway.StateFile());
  const auto desktop = OpenWaylandDesktop();
  desktop->mouse_event(MOUSEEVENTF_MOVE, 1, 1);
  sway.Kill();
  const auto start = std::chrono::steady_clock::now();
  std::string failure;
  for (int event = 0; event < 100000 && failure.empty(); ++event) {
    try {
      desktop->mouse_event(MOUSEEVENTF_MOVE, event % 2 == 0 ? 1 : -1, 0);
      if (event % 100 == 0) {
        desktop->CaptureScreenRegion({0, 0, 1, 1});
      }
    } catch (const PlatformError& error) {
      failure = error.what();
    }
  }
  EXPECT_NE(failure.find("closed the connection"), std::string::npos)
      << failure;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace scrivlet::testing
