// The delivery benchmark's GNOME row: the delivery pacer over GNOME's
// remote-desktop route draws a grid of dots into the click recorder, a
// Wayland-native program on headless mutter, and the recorder's presses
// are counted. Prints one table row in the columns of delivery_bench (run
// by scripts/bench-delivery-gnome.sh).

#include <chrono>
#include <cstdio>
#include <exception>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>

#include "delivery/delivery_pacer.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "platform/desktop_backends.h"
#include "recorder_stage.h"

namespace scrivlet::bench {
namespace {

// The X11 rows' spacing; fewer dots, so that the recorder's lines fit in
// its pipe while the drawing runs.
const DrawSettings kSettings{2, 1, 200, kFalse};
constexpr std::int32_t kGridWidth = 79;
constexpr std::int32_t kGridHeight = 59;

void PrintRow() {
  testing::ClickRecorder recorder;
  if (recorder.ReadLine() != "ready") {
    throw std::runtime_error("the click recorder did not show");
  }
  // The user's hand, as another session, puts the pointer on the corner
  // and stays: headless mutter shows no pointer once no device is left.
  const auto hand = OpenGnomeRemoteDesktop();
  if (!testing::WaitUntilFullScreen(*hand, recorder)) {
    throw std::runtime_error("the click recorder never covered the screen");
  }
  const ScreenPoint origin{40, 40};
  const DesktopArea area = hand->DesktopBounds();
  hand->mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                    testing::EngineCoordinate(origin.x, area.width),
                    testing::EngineCoordinate(origin.y, area.height));
  DeliveryPacer pacer(OpenGnomeRemoteDesktop(), MakeSteadyPacingClock());
  for (int tries = 0; tries < 100; ++tries) {
    try {
      if (pacer.GetCursorPos() == origin) {
        break;
      }
    } catch (const PlatformError&) {
      // Not shown yet: mutter sends the cursor with its next frame.
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const testing::PatternPicture picture =
      testing::SolidPicture(kGridWidth, kGridHeight);
  const auto dots = testing::ExpectedDots(picture, kSettings,
                                          testing::PlotMode::Absolute, origin);
  const auto start = std::chrono::steady_clock::now();
  pacer.DrawingStarted();
  DrawAbsolute(pacer, picture, kSettings);
  pacer.DrawingEnded();
  pacer.Flush();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  const std::set<std::pair<int, int>> want = [&] {
    std::set<std::pair<int, int>> points;
    for (const ScreenPoint dot : dots) {
      points.emplace(dot.x, dot.y);
    }
    return points;
  }();
  std::set<std::pair<int, int>> landed;
  int stray = 0;
  int presses = 0;
  for (std::string line = recorder.ReadLine(1000); !line.empty();
       line = recorder.ReadLine(500)) {
    int x = 0;
    int y = 0;
    if (std::sscanf(line.c_str(), "press %d %d", &x, &y) != 2) {
      continue;
    }
    ++presses;
    if (want.contains({x, y})) {
      landed.emplace(x, y);
    } else {
      ++stray;
      std::fprintf(stderr, "delivery_bench_gnome: stray %s\n", line.c_str());
    }
  }
  const PacingStats& stats = pacer.stats();
  // The columns of the X11 rows (bench/delivery/delivery_bench.cpp).
  std::printf(
      "| %-8s | %-11s | %-20s | %5zu | %6.2f%% | %5d | %7.2f | %7.0f | "
      "%d batches, %d looks, %d repaired, %d timed out, %d safe-paced; "
      "%d presses; headless\n",
      "gnome", "recorder", "pipelined delivery", want.size(),
      100.0 * static_cast<double>(landed.size()) /
          static_cast<double>(want.size()),
      stray, seconds, static_cast<double>(want.size()) / seconds, stats.batches,
      stats.looks, stats.repaired, stats.timed_out, stats.safe_paced, presses);
}

}  // namespace
}  // namespace scrivlet::bench

int main() {
  try {
    scrivlet::bench::PrintRow();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "delivery_bench_gnome: %s\n", error.what());
    return 1;
  }
  return 0;
}
