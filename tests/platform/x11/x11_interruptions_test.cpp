// Delivery through the X11 backend when another program interrupts a
// drawing: holds the pointer for a while (a popup menu, a screenshot tool),
// or changes the screen's size. The target is a cover that paints every
// press it gets.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/open_desktop.h"
#include "child_process.h"
#include "dot_pattern.h"
#include "engine/drawing_watch.h"
#include "engine/plotter.h"
#include "fake_picture.h"
#include "painting_cover.h"
#include "recording_client.h"

namespace scrivlet::testing {
namespace {

constexpr ScreenPoint kOrigin{100, 100};
// Every other pixel of a black square: 225 dots.
constexpr std::int32_t kSide = 30;
constexpr DrawSettings kEveryOther{2, 1, 200, 0};
// The interruption comes after this many presses.
constexpr int kPressesBefore = 40;

// One drawing, bracketed as the draw trigger does; what it ended with.
std::string Draw(PlatformInput& desktop) {
  const FakePicture picture(kSide, kSide, 0x000000);
  Xdotool({"mousemove", "--sync", std::to_string(kOrigin.x),
           std::to_string(kOrigin.y)});
  desktop.DrawingStarted();
  std::string outcome;
  try {
    outcome = DrawAbsolute(desktop, picture, kEveryOther) == PlotEnd::Completed
                  ? "completed"
                  : "aborted";
  } catch (const DesktopChangedError&) {
    outcome = "desktop changed";
  }
  desktop.DrawingEnded();
  return outcome;
}

// The dots of the square that do not show.
int Blank(PlatformInput& desktop) {
  const std::vector<ScreenPoint> dots = ExpectedDots(
      SolidPicture(kSide, kSide), kEveryOther, PlotMode::Absolute, kOrigin);
  const CanvasCheck check = CheckCanvas(
      desktop.CaptureScreenRegion(BoundingRect(dots, 0)), dots, 0xFFFFFF);
  return check.expected - check.landed;
}

// Held for longer than delivery waits for a busy target: every dot sent
// meanwhile goes again once it is let go, and what still does not show is
// counted, so that the drawing is not taken for complete.
TEST(X11PointerHeldTest, DotsHeldBackGoAgainOnceLetGo) {
  for (const bool paints_after : {true, false}) {
    // An active grab, as an open popup menu holds: meanwhile every pointer
    // event goes to the cover's connection, which drops it.
    const PaintingCover cover(kPressesBefore, [&](Display* display) {
      XGrabPointer(display, DefaultRootWindow(display), False, 0, GrabModeAsync,
                   GrabModeAsync, None, None, CurrentTime);
      XSync(display, False);
      std::this_thread::sleep_for(std::chrono::milliseconds(3000));
      XUngrabPointer(display, CurrentTime);
      return paints_after;
    });
    std::unique_ptr<PlatformInput> desktop = OpenDesktop();
    EXPECT_EQ(Draw(*desktop), "completed");
    const int blank = Blank(*desktop);
    if (paints_after) {
      EXPECT_EQ(blank, 0);
      EXPECT_EQ(desktop->DotsNotLanded(), 0);
    } else {
      // The target gone meanwhile: the dots held back, sent again in vain;
      // those sent later were the target's to lose, as dots off a canvas
      // are.
      EXPECT_GT(desktop->DotsNotLanded(), 0);
      EXPECT_LE(desktop->DotsNotLanded(), blank);
    }
  }
}

void Xrandr(std::vector<std::string> arguments) {
  // Xvfb cannot set its one output to a smaller size: xrandr says so and
  // fails, but the screen has its new size.
  arguments.insert(arguments.begin(), "xrandr");
  (void)RunToEnd(arguments);
}

// Changed and set back at once, before the next dot: only the change
// itself tells.
TEST(X11ScreenResizedTest, StopsBeforeTheNextDotAndIsNotComplete) {
  const DesktopArea area = RecordingClient().ScreenArea();
  const std::vector<std::string> restore = {
      "--output", "screen", "--auto", "--fb",
      std::to_string(area.width) + "x" + std::to_string(area.height)};
  struct Restore {
    const std::vector<std::string>& arguments;
    ~Restore() { Xrandr(arguments); }
  } const restore_at_end{restore};
  const PaintingCover cover(kPressesBefore, [&](Display* /*display*/) {
    Xrandr({"--fb", std::to_string(area.width - 80) + "x" +
                        std::to_string(area.height - 24)});
    Xrandr(restore);
    return true;
  });
  std::unique_ptr<PlatformInput> desktop = OpenDesktop();
  EXPECT_EQ(Draw(*desktop), "desktop changed");
  // One press may have been on its way when the size changed.
  EXPECT_LE(cover.presses_after_resize(), 1);
}

}  // namespace
}  // namespace scrivlet::testing
