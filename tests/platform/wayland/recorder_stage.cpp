#include "recorder_stage.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <thread>

#include "dot_pattern.h"
#include "engine/plotter.h"
#include "fake_picture.h"
#include "poll_for.h"

namespace scrivlet::testing {
namespace {

// A press or release line, "press 207.25 97.25".
std::optional<Click> ParseClick(const std::string& line) {
  char kind[8] = {};
  double x = 0;
  double y = 0;
  if (std::sscanf(line.c_str(), "%7s %lf %lf", kind, &x, &y) != 3) {
    return std::nullopt;
  }
  const auto half = [](double v) {
    const double fraction = v - std::floor(v);
    return fraction > 0 && fraction < 0.5;
  };
  return Click{std::string(kind) == "press",
               {static_cast<std::int32_t>(std::floor(x)),
                static_cast<std::int32_t>(std::floor(y))},
               half(x) && half(y)};
}

}  // namespace

ClickRecorder::ClickRecorder(bool pattern)
    : process_({"/bin/sh", "-c",
                "QT_QPA_PLATFORM=wayland exec " SCRIVLET_CLICK_RECORDER +
                    std::string(pattern ? " --pattern" : "")},
               {{}, false, true}) {}

ClickRecorder::ClickRecorder(PlatformInput& desktop, bool pattern)
    : ClickRecorder(pattern) {
  if (ReadLine(20000) != "ready" || !WaitUntilFullScreen(desktop, *this)) {
    throw std::runtime_error("the click recorder never covered the screen");
  }
}

std::string ClickRecorder::ReadLine(int timeout_ms) {
  return process_.ReadLine(std::chrono::milliseconds(timeout_ms))
      .value_or(std::string());
}

std::vector<Click> ClickRecorder::Clicks(std::size_t count, int timeout_ms) {
  std::vector<Click> clicks;
  while (clicks.size() < count) {
    const std::string line = ReadLine(timeout_ms);
    if (line.empty()) {
      break;
    }
    if (const auto click = ParseClick(line)) {
      clicks.push_back(*click);
    }
  }
  return clicks;
}

bool WaitUntilFullScreen(PlatformInput& desktop, ClickRecorder& recorder) {
  const DesktopArea area = desktop.DesktopBounds();
  const ScreenPoint probe{area.width - 3, area.height - 3};
  for (int tries = 0; tries < 40; ++tries) {
    MoveTo(desktop, {area.left + probe.x, area.top + probe.y});
    desktop.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
    desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
    // Taken by the compositor before the wait starts: a click still in
    // flight would land after the one this returns on.
    desktop.Flush();
    for (const Click& click : recorder.Clicks(SIZE_MAX, 250)) {
      if (!click.press && click.at == probe) {
        // A click slower than the wait has had another sent after it.
        recorder.Clicks(SIZE_MAX, 500);
        return true;
      }
    }
  }
  return false;
}

bool PointerShowsAt(PlatformInput& desktop, ScreenPoint at) {
  return PollFor(
      [&] {
        try {
          return desktop.GetCursorPos() == at;
        } catch (const PlatformError&) {
          return false;  // not shown yet
        }
      },
      std::chrono::seconds(5), std::chrono::milliseconds(20));
}

ScreenImage ReadOnceInked(PlatformInput& desktop, ScreenRect around,
                          ScreenPoint inked) {
  ScreenImage image = desktop.CaptureScreenRegion(around);
  for (int look = 0; look < 100 && image.At(inked) != COLORREF{0}; ++look) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    image = desktop.CaptureScreenRegion(around);
  }
  return image;
}

void CheckRoute(PlatformInput& desktop, bool whole_pixels) {
  ClickRecorder recorder(desktop, true);
  const DesktopArea area = desktop.DesktopBounds();
  ASSERT_GT(area.width, 210);
  struct Step {
    const char* name;
    bool absolute;
    ScreenPoint by_or_to;
    ScreenPoint expected;
    bool click = false;  // in the same call as the move, so after it
  };
  const ScreenPoint corner{area.width - 1, area.height - 1};
  const std::array steps{
      Step{"absolute", true, {101, 53}, {101, 53}},
      Step{"relative past the left edge", false, {-5000, 1}, {0, 54}},
      Step{"absolute to the far corner", true, corner, corner, true},
      Step{"relative past the far corner", false, {10, 10}, corner},
      Step{"absolute to the origin", true, {0, 0}, {0, 0}, true},
      Step{"absolute again", true, {200, 100}, {200, 100}},
      Step{"relative", false, {7, -3}, {207, 97}},
  };
  std::vector<Click> want;
  for (const Step& step : steps) {
    if (step.absolute) {
      MoveTo(desktop, step.by_or_to,
             step.click ? MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP : 0);
    } else {
      desktop.mouse_event(MOUSEEVENTF_MOVE, step.by_or_to.x, step.by_or_to.y);
    }
    if (step.click) {
      want.insert(want.end(), {{true, step.expected}, {false, step.expected}});
    }
    EXPECT_EQ(desktop.GetCursorPos(), step.expected) << step.name;
  }
  // A click where the pointer stands, then a drag.
  desktop.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  MoveTo(desktop, {31, 47}, MOUSEEVENTF_LEFTDOWN);
  desktop.mouse_event(MOUSEEVENTF_MOVE, 5, 0);
  desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  desktop.Flush();
  want.insert(want.end(), {{true, {207, 97}},
                           {false, {207, 97}},
                           {true, {31, 47}},
                           {false, {36, 47}}});
  std::vector<Click> clicks = recorder.Clicks(want.size());
  for (Click& click : clicks) {
    click.inside = click.inside || whole_pixels;
  }
  EXPECT_EQ(clicks, want);

  // The pattern around the first pixel pressed, which the recorder inked,
  // and past the right edge, where nothing is read.
  const ScreenPoint inked{207, 97};
  ReadOnceInked(desktop, {inked.x, inked.y, 1, 1}, inked);
  for (const ScreenRect rect : {ScreenRect{inked.x - 2, inked.y - 2, 5, 5},
                                ScreenRect{area.width - 3, 5, 6, 4}}) {
    const ScreenImage image = desktop.CaptureScreenRegion(rect);
    ASSERT_EQ(image.area, rect);
    for (std::int32_t y = rect.top; y < rect.top + rect.height; ++y) {
      for (std::int32_t x = rect.left; x < rect.left + rect.width; ++x) {
        std::optional<COLORREF> want_colour;
        if (x < area.width) {
          want_colour = ScreenPoint{x, y} == inked ? 0 : PatternAt(x, y);
        }
        EXPECT_EQ(image.At({x, y}), want_colour) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(desktop.ReadScreenPixel({37, 23}), PatternAt(37, 23));
}

std::string StrokeFaults(PlatformInput& desktop, ClickRecorder& recorder,
                         ScreenPoint corner) {
  // Runs along the rows: a long one, dots, a run to the picture's edge.
  const FakePicture picture({"####.#", "#.....", "#.####"});
  DrawSettings settings{1, 5, 200, kFalse};
  settings.Strokes = true;
  MoveTo(desktop, corner);
  PointerShowsAt(desktop, corner);
  desktop.DrawingStarted();
  DrawAbsolute(desktop, picture, settings);
  desktop.DrawingEnded();
  const CanvasCheck ink = CheckWhenLanded(
      [&](ScreenRect rect) { return desktop.CaptureScreenRegion(rect); },
      ExpectedInk(picture, settings, PlotMode::Absolute, corner), 0xFFFFFF, 4);
  int held = 0;
  for (const Click& click : recorder.Clicks(SIZE_MAX, 500)) {
    held += click.press ? 1 : -1;
    if (held != 0 && held != 1) {
      return "two presses or releases in a row";
    }
  }
  if (held != 0) {
    return "the button was left down";
  }
  if (ink.landed != ink.expected) {
    return "missing: " + Describe(ink.missing);
  }
  if (ink.stray != 0) {
    return "stray: " + Describe(ink.strays);
  }
  return "";
}

}  // namespace scrivlet::testing
