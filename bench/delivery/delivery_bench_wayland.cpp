// The delivery benchmark's Wayland row: the delivery pacer over the Wayland
// backend draws the benchmark's grid into `drawing` on headless sway, and
// the canvas is read back. Prints one table row in the columns of
// delivery_bench (run by scripts/bench-delivery-wayland.sh).

#include <chrono>
#include <cstdio>
#include <exception>
#include <thread>

#include "delivery/delivery_pacer.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "platform/desktop_backends.h"
#include "sway_stage.h"
#include "wayland_session.h"

namespace scrivlet::bench {
namespace {

// The X11 rows' grid and settings, so that the rows compare.
const DrawSettings kSettings{2, 1, 200, kFalse};
constexpr std::int32_t kGridWidth = 199;
constexpr std::int32_t kGridHeight = 79;

void PrintRow() {
  const testing::SwayStage stage(SCRIVLET_EXECUTABLE);
  const testing::PatternPicture picture =
      testing::SolidPicture(kGridWidth, kGridHeight);
  const ScreenPoint origin{stage.Canvas().left + 20, stage.Canvas().top + 20};
  const auto dots =
      ExpectedDots(picture, kSettings, testing::PlotMode::Absolute, origin);
  stage.MoveTo(origin);
  DeliveryPacer pacer(OpenWaylandDesktop(), MakeSteadyPacingClock());
  const auto start = std::chrono::steady_clock::now();
  pacer.DrawingStarted();
  DrawAbsolute(pacer, picture, kSettings);
  pacer.DrawingEnded();
  pacer.Flush();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  // The last dots may still be on their way to the screen.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  stage.MoveTo({stage.Canvas().left + stage.Canvas().width + 40, 5});
  const testing::CanvasCheck check = testing::CheckCanvas(
      stage.Capture(testing::BoundingRect(dots, 10)), dots, 0xFFFFFFU);
  const PacingStats& stats = pacer.stats();
  // The columns of the X11 rows (bench/delivery/delivery_bench.cpp).
  std::printf(
      "| %-8s | %-11s | %-20s | %5d | %6.2f%% | %5d | %7.2f | %7.0f | "
      "%d batches, %d looks, %d repaired, %d timed out, %d strays seen "
      "(headless, pixman)\n",
      "sway", "drawing", "pipelined delivery", check.expected,
      100.0 * check.landed / check.expected, check.stray, seconds,
      check.expected / seconds, stats.batches, stats.looks, stats.repaired,
      stats.timed_out, stats.strays);
}

}  // namespace
}  // namespace scrivlet::bench

int main() {
  try {
    scrivlet::testing::UseWaylandSession(
        scrivlet::testing::FixtureSessionFile());
    scrivlet::bench::PrintRow();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "delivery_bench_wayland: %s\n", error.what());
    return 1;
  }
  return 0;
}
