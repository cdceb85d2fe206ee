// The X11 backend on a virtual X server with a window manager: the engine's
// event streams against a recording client, the hot keys pressed with
// xdotool while another window has the focus (which must not get them),
// z-order through the window manager, screen read-back, and the errors when
// X lacks what is needed.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/open_desktop.h"
#include "child_process.h"
#include "click_to_focus_grab.h"
#include "desktop_contract.h"
#include "engine/drawing_watch.h"
#include "engine/plotter.h"
#include "fake_desktop.h"
#include "fake_picture.h"
#include "platform/desktop.h"
#include "poll_for.h"
#include "recording_client.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;

// What the X server should report for a stream of engine events, worked
// out independently of the backend: every move is reported, even one that
// leaves the pointer where it was, and a release without a press is dropped.
std::vector<std::string> ExpectedRecords(
    const std::vector<MouseEventRecord>& stream, ScreenPoint start,
    DesktopArea area) {
  const auto clamp_x = [&](double x) {
    return static_cast<std::int32_t>(std::clamp<double>(x, 0, area.width - 1));
  };
  const auto clamp_y = [&](double y) {
    return static_cast<std::int32_t>(std::clamp<double>(y, 0, area.height - 1));
  };
  std::vector<std::string> records;
  ScreenPoint at = start;
  bool down = false;
  for (const MouseEventRecord& event : stream) {
    if ((event.flags & MOUSEEVENTF_MOVE) != 0) {
      ScreenPoint to;
      if ((event.flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        to = {clamp_x(std::round(event.dx * double(area.width) / 65535.0)),
              clamp_y(std::round(event.dy * double(area.height) / 65535.0))};
      } else {
        to = {clamp_x(at.x + event.dx), clamp_y(at.y + event.dy)};
      }
      records.push_back(PointerRecord("motion", to));
      at = to;
    }
    if ((event.flags & MOUSEEVENTF_LEFTDOWN) != 0 && !down) {
      records.push_back(PointerRecord("press", at));
      down = true;
    }
    if ((event.flags & MOUSEEVENTF_LEFTUP) != 0 && down) {
      records.push_back(PointerRecord("release", at));
      down = false;
    }
  }
  return records;
}

const std::vector<std::string> kCross = {
    "#.......#",  //
    "..#...#..",  //
    "....#....",  //
    "...###...",  //
    "....#....",  //
    "..#...#..",  //
    "#.......#",
};

enum class Mode : std::uint8_t { Absolute, Relative };

struct StreamCase {
  std::string name;
  Mode mode;
  // The origin, counted from the right/bottom edge where negative.
  ScreenPoint origin;
  DrawSettings settings;
  bool paced = false;
  // Under a window manager's click-to-focus grab (ClickToFocusGrab) that
  // replays each press this much later; none where zero.
  std::chrono::microseconds click_grab{0};
  friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

class X11StreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(X11StreamTest, EveryEventArrivesAtTheAimedPixel) {
  const StreamCase& test = GetParam();
  RecordingClient recorder;
  recorder.CoverScreen();
  const DesktopArea area = recorder.ScreenArea();
  const ScreenPoint origin = {
      test.origin.x >= 0 ? test.origin.x : area.width + test.origin.x,
      test.origin.y >= 0 ? test.origin.y : area.height + test.origin.y};
  const FakePicture picture(kCross);

  FakeDesktop reference(area, origin);
  // A relative move clipped at the edge stops the drawing: on the real
  // desktop at the same event as on the reference.
  const auto draw = [&](PlatformInput& desktop) -> std::string {
    try {
      const PlotEnd end = test.mode == Mode::Absolute
                              ? DrawAbsolute(desktop, picture, test.settings)
                              : DrawRelative(desktop, picture, test.settings);
      return end == PlotEnd::Completed ? "completed" : "aborted";
    } catch (const EdgeReachedError&) {
      return "stopped at the edge";
    }
  };
  const std::string outcome = draw(reference);
  std::optional<ClickToFocusGrab> grab;
  if (test.click_grab.count() > 0) {
    grab.emplace(recorder.cover(), test.click_grab);
  }

  std::unique_ptr<PlatformInput> desktop =
      test.paced ? OpenDesktop() : OpenNativeDesktop();
  Xdotool({"mousemove", "--sync", std::to_string(origin.x),
           std::to_string(origin.y)});
  (void)recorder.TakePointerEvents();
  ASSERT_EQ(desktop->GetCursorPos(), origin);
  EXPECT_EQ(draw(*desktop), outcome);
  desktop->Flush();
  if (grab) {
    // Whatever is still frozen behind the grab gets its time to come.
    std::this_thread::sleep_for(milliseconds(300));
  }

  EXPECT_EQ(recorder.TakePointerEvents(),
            ExpectedRecords(reference.events(), origin, area));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EngineStreams, X11StreamTest, ::testing::Values(
    StreamCase{"AbsoluteIntoBottomRightCorner", Mode::Absolute, {-9, -7}, {1, 1, 200, 0}},
    StreamCase{"AbsoluteMagnifiedWithDrag", Mode::Absolute, {301, 207}, {2, 3, 200, kTrue}},
    StreamCase{"RelativeWithDrag", Mode::Relative, {400, 300}, {2, 2, 200, kTrue}},
    StreamCase{"RelativeStopsWhereClippedAtTheEdge", Mode::Relative, {-5, -6}, {1, 2, 200, 0}},
    StreamCase{"AbsoluteThroughThePacer", Mode::Absolute, {640, 480}, {2, 2, 200, 0}, true},
    // Clicks back to back must not pile up behind it, also where it is slow
    // (a loaded machine).
    StreamCase{"AbsoluteUnderAClickToFocusGrab", Mode::Absolute, {100, 100}, {1, 1, 200, 0},
               false, std::chrono::microseconds(500)},
    StreamCase{"AbsoluteUnderASlowClickToFocusGrab", Mode::Absolute, {100, 100}, {1, 1, 200, 0},
               false, milliseconds(80)}),
    [](const auto& instance) { return instance.param.name; });
// clang-format on

// Reads the screen until nothing more is drawn after a read.
bool Quietens(PlatformInput& desktop) {
  for (int tries = 0; tries < 20; ++tries) {
    desktop.ReadScreenPixel({0, 0});
    if (!desktop.WaitForScreenChange({0, 0, 4096, 4096}, milliseconds(100))) {
      return true;
    }
  }
  return false;
}

TEST(X11DesktopTest, ReportsDrawingSinceTheLastReadAndReadsItBack) {
  RecordingClient client;
  std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
  ASSERT_TRUE(desktop->ReportsScreenChanges());
  EXPECT_TRUE(Quietens(*desktop));
  const Window window = client.MakeWindow({200, 150, 20, 10}, 0x336699, false);
  EXPECT_TRUE(
      desktop->WaitForScreenChange({210, 155, 1, 1}, milliseconds(2000)));
  EXPECT_TRUE(Quietens(*desktop));
  EXPECT_EQ(desktop->ReadScreenPixel({205, 155}), COLORREF{0x996633});
  EXPECT_EQ(desktop->ReadScreenPixel({219, 159}), COLORREF{0x996633});
  // The window's own drawing is reported, not another's elsewhere.
  ASSERT_TRUE(desktop->ReportsDrawnChanges());
  for (int read = 0; read < 2; ++read) {
    EXPECT_EQ(desktop->ReadDrawnPixel({205, 155}), COLORREF{0x996633});
  }
  client.MakeWindow({300, 150, 20, 10}, 0x112233, false);
  EXPECT_FALSE(desktop->WaitForDrawnChange({205, 155}, milliseconds(100)));
  XSetWindowBackground(client.display(), window, 0x445566);
  XClearWindow(client.display(), window);
  XFlush(client.display());
  EXPECT_TRUE(desktop->WaitForDrawnChange({205, 155}, milliseconds(2000)));
  EXPECT_EQ(desktop->ReadDrawnPixel({205, 155}), COLORREF{0x665544});
  const DesktopArea area = client.ScreenArea();
  // Across the window's edges, off each edge of the screen, wholly off it.
  for (const ScreenRect rect :
       {ScreenRect{195, 145, 30, 20}, ScreenRect{-3, -2, 6, 5},
        ScreenRect{area.width - 4, area.height - 3, 8, 6},
        ScreenRect{area.width + 5, 0, 4, 4}, ScreenRect{10, 10, 0, 3}}) {
    const ScreenImage one_read = desktop->CaptureScreenRegion(rect);
    const ScreenImage pixel_by_pixel =
        desktop->PlatformInput::CaptureScreenRegion(rect);
    EXPECT_EQ(one_read.pixels, pixel_by_pixel.pixels)
        << rect.left << "," << rect.top << " " << rect.width << "x"
        << rect.height;
  }
}

// The first state word other than 0 within 3 s: key events arrive
// asynchronously.
std::uint16_t FirstWord(PlatformInput& desktop, int key) {
  std::uint16_t word = 0;
  PollFor([&] { return (word = desktop.GetAsyncKeyState(key)) != 0; },
          milliseconds(3000), milliseconds(2));
  return word;
}

// The shared contract on this desktop. F7 and F8 come from xdotool, so they
// reach the backend's connection a moment later.
class X11Rig : public ContractRig {
 public:
  PlatformInput& desktop() override { return *desktop_; }
  void Key(int virtual_key, bool down) override {
    // xdotool injects through XTest like a real keyboard, to whichever
    // window has the focus.
    Xdotool({down ? "keydown" : "keyup", virtual_key == VK_F7 ? "F7" : "F8"});
    std::this_thread::sleep_for(milliseconds(50));
  }
  NativeWindow GoneWindow() override { return 0x7FFFFFF; }

 private:
  std::unique_ptr<PlatformInput> desktop_ = OpenNativeDesktop();
};

INSTANTIATE_TEST_SUITE_P(X11, DesktopContractTest,
                         ::testing::Values(RigMaker{
                             "Desktop",
                             []() -> std::unique_ptr<ContractRig> {
                               return std::make_unique<X11Rig>();
                             }}),
                         RigName);

// F7 and F8 reach Scrivlet only, whatever the lock keys, while other keys
// still reach the window that has the keyboard focus, as when the user draws
// into a paint program; only they are watched.
TEST(X11HotKeyTest, HotKeysDoNotReachTheFocusedWindowInAnyLockState) {
  RecordingClient client;
  client.FocusAndWatchKeys(
      client.MakeWindow({50, 50, 200, 100}, 0xCCCCCC, true));
  std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
  for (const std::vector<std::string>& locks :
       std::vector<std::vector<std::string>>{
           {},
           {"key", "Caps_Lock"},
           {"key", "Num_Lock"},
           {"key", "Caps_Lock", "Num_Lock"}}) {
    SCOPED_TRACE(locks.size());
    // On for this round and off after it: a lock left on would reach the
    // tests after this one.
    const auto toggle = [&locks] {
      if (!locks.empty()) {
        Xdotool(locks);
      }
    };
    toggle();
    Xdotool({"key", "--delay", "0", "F7", "F8", "a"});
    EXPECT_EQ(FirstWord(*desktop, VK_F8), 0x0001);
    EXPECT_EQ(desktop->GetAsyncKeyState(VK_F7), 0x0001);
    // The lock keys themselves reach the window; F7 and F8, sent before the
    // letter, must not.
    std::vector<KeySym> seen;
    EXPECT_TRUE(PollFor(
        [&] {
          const std::vector<KeySym> more = client.TakeKeyPresses();
          seen.insert(seen.end(), more.begin(), more.end());
          return std::find(seen.begin(), seen.end(), XK_a) != seen.end();
        },
        milliseconds(3000)));
    EXPECT_EQ(std::find(seen.begin(), seen.end(), XK_F7), seen.end());
    EXPECT_EQ(std::find(seen.begin(), seen.end(), XK_F8), seen.end());
    toggle();
  }
  EXPECT_THROW(desktop->GetAsyncKeyState(0x41), PlatformError);
  // Taps between ticks are seen through the pacer too.
  desktop.reset();
  std::unique_ptr<PlatformInput> paced = OpenDesktop();
  Xdotool({"key", "--delay", "0", "F7"});
  EXPECT_EQ(FirstWord(*paced, VK_F7), 0x0001);
}

// A window manager that holds a release back keeps the click waiting, but
// F8 ends the wait, and the press is still there for the pacer to see.
TEST(X11HotKeyTest, F8EndsTheWaitForAReleaseHeldBack) {
  RecordingClient recorder;
  recorder.CoverScreen();
  ClickToFocusGrab grab(recorder.cover(), milliseconds(900));
  std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
  desktop->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  std::jthread f8([] {
    std::this_thread::sleep_for(milliseconds(100));
    Xdotool({"key", "F8"});
  });
  const auto start = std::chrono::steady_clock::now();
  desktop->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(600));
  EXPECT_NE(FirstWord(*desktop, VK_F8) & 0x0001, 0);
}

// Another program's grab leaves that key shared, said once; it still works.
TEST(X11HotKeyGrabTest, AKeyReservedByAnotherProgramStillWorks) {
  RecordingClient holder;
  Display* display = holder.display();
  XGrabKey(display, XKeysymToKeycode(display, XK_F8), 0,
           DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
  XSync(display, False);

  ::testing::internal::CaptureStderr();
  std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("another program has reserved F8;"), std::string::npos)
      << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

  Xdotool({"key", "--delay", "0", "F8"});
  EXPECT_EQ(FirstWord(*desktop, VK_F8), 0x0001);
}

TEST(X11ZOrderTest, TopmostOnAndOffThroughTheWindowManagerAlsoBeforeShown) {
  RecordingClient client;
  std::unique_ptr<PlatformInput> desktop = OpenNativeDesktop();
  // As the window manager says, through xprop.
  const auto above_becomes = [](Window window, bool wanted) {
    const std::vector<std::string> xprop{"xprop", "-id", std::to_string(window),
                                         "_NET_WM_STATE"};
    return PollFor(
        [&] {
          return (RunToEnd(xprop).output.find("_NET_WM_STATE_ABOVE") !=
                  std::string::npos) == wanted;
        },
        milliseconds(3000));
  };
  const Window shown = client.MakeWindow({300, 300, 120, 80}, 0x808080, true);
  ASSERT_TRUE(above_becomes(shown, false));
  desktop->SetWindowPos(shown, ZOrder::Topmost);
  EXPECT_TRUE(above_becomes(shown, true));
  desktop->SetWindowPos(shown, ZOrder::NotTopmost);
  EXPECT_TRUE(above_becomes(shown, false));

  const Window later =
      client.MakeWindow({300, 300, 120, 80}, 0x808080, true, false);
  desktop->SetWindowPos(later, ZOrder::Topmost);
  client.MapAndWait(later);
  EXPECT_TRUE(above_becomes(later, true));
}

// A server of its own, without a window manager; its display once it takes
// clients.
std::string StartXvfb(std::optional<ChildProcess>& server,
                      std::vector<std::string> extra) {
  extra.insert(extra.begin(), {"Xvfb", "-displayfd", "1", "-nolisten", "tcp"});
  server.emplace(extra, ChildOptions{{}, false, true});
  return ":" + server->ReadLine(std::chrono::seconds(20)).value_or("none");
}

TEST(X11OpenErrorTest, NamesWhatIsMissing) {
  std::optional<ChildProcess> no_xtest;
  std::optional<ChildProcess> plain;
  const std::string no_xtest_display =
      StartXvfb(no_xtest, {"-extension", "XTEST"});
  const std::string plain_display = StartXvfb(plain, {});
  ASSERT_NE(std::getenv("DISPLAY"), nullptr);
  const std::string session = std::getenv("DISPLAY");
  struct Case {
    const char* display;
    std::string named;  // empty: opens
  };
  for (const Case& c : {Case{nullptr, "DISPLAY is not set"},
                        Case{":987", "Cannot open the X display \":987\""},
                        Case{no_xtest_display.c_str(), "XTEST"},
                        Case{plain_display.c_str(), ""}}) {
    if (c.display != nullptr) {
      setenv("DISPLAY", c.display, 1);
    } else {
      unsetenv("DISPLAY");
    }
    try {
      OpenNativeDesktop();
      EXPECT_EQ(c.named, "") << "opened";
    } catch (const PlatformError& error) {
      EXPECT_NE(c.named, "") << error.what();
      EXPECT_NE(std::string(error.what()).find(c.named), std::string::npos)
          << error.what();
    }
  }
  setenv("DISPLAY", session.c_str(), 1);
}

}  // namespace
}  // namespace scrivlet::testing
