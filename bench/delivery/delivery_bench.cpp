// How fast dots land in real paint programs, and how many: the delivery
// pacer beside back-to-back injection, a fixed 3 ms pause, and a bare
// closed-loop injector (the goal reference). Run on an X desktop with the
// paint programs installed: scripts/bench-delivery.sh.

#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "baseline_injectors.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "paint_program.h"
#include "platform/delivery_pacer.h"
#include "platform/desktop.h"

namespace scrivlet::bench {
namespace {

using testing::CanvasCheck;
using testing::PaintProgram;
using testing::PaintProgramKind;
using testing::ScreenRect;

// The grid of the measurements that motivated the pacer: 100 x 40 single
// clicks 2 pixels apart.
const DrawSettings kSettings{2, 1, 200, kFalse};
constexpr std::int32_t kGridWidth = 199;
constexpr std::int32_t kGridHeight = 79;

struct Method {
  std::string name;
  // Draws the dots from the pointer position; returns pacing statistics
  // where there are any.
  std::function<std::string(const testing::PatternPicture&,
                            const std::vector<ScreenPoint>&, Display*)>
      draw;
};

std::string PacerSummary(const PacingStats& stats) {
  return std::to_string(stats.confirmed) + " confirmed (" +
         std::to_string(stats.late) + " late), " +
         std::to_string(stats.timed_out) + " timed out, " +
         std::to_string(stats.safe_paced) + " safe-paced";
}

std::vector<Method> Methods() {
  return {
      {"back-to-back",
       [](const auto& picture, const auto&, Display*) {
         auto desktop = OpenNativeDesktop();
         DrawAbsolute(*desktop, picture, kSettings);
         desktop->Flush();
         return std::string();
       }},
      {"fixed 3 ms pause",
       [](const auto& picture, const auto&, Display*) {
         FixedPauseDesktop desktop(OpenNativeDesktop(),
                                   std::chrono::milliseconds(3));
         DrawAbsolute(desktop, picture, kSettings);
         desktop.Flush();
         return std::string();
       }},
      {"bare closed loop",
       [](const auto&, const auto& dots, Display* display) {
         InjectClosedLoop(display, dots, std::chrono::milliseconds(50));
         return std::string();
       }},
      {"Scrivlet (pacer)",
       [](const auto& picture, const auto&, Display*) {
         auto desktop = OpenDesktop();
         DrawAbsolute(*desktop, picture, kSettings);
         desktop->Flush();
         return PacerSummary(dynamic_cast<DeliveryPacer&>(*desktop).stats());
       }},
  };
}

// Waits until the canvas stops changing (the target may still be working
// through queued events) and compares it with the dots.
CanvasCheck SettledCheck(const PaintProgram& program, ScreenRect area,
                         const std::vector<ScreenPoint>& dots) {
  CanvasCheck last = CheckCanvas(program.Capture(area), dots, program.paper());
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CanvasCheck now = CheckCanvas(program.Capture(area), dots, program.paper());
    if (now.landed == last.landed && now.stray == last.stray) {
      return now;
    }
    last = std::move(now);
  }
  return last;
}

struct Result {
  int expected = 0;
  int landed = 0;
  double seconds = 0;
};

Result Measure(const PaintProgramKind& kind, const Method& method) {
  PaintProgram program(kind);
  const ScreenRect canvas = program.canvas();
  const testing::PatternPicture picture =
      testing::SolidPicture(kGridWidth, kGridHeight);
  const ScreenPoint origin{canvas.x + 20, canvas.y + 20};
  const std::vector<ScreenPoint> dots =
      ExpectedDots(picture, kSettings, testing::PlotMode::Absolute, origin);
  const ScreenRect area = testing::BoundingRect(dots, 10);

  Display* display = program.display();
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, origin.x,
               origin.y);
  XSync(display, False);
  const auto start = std::chrono::steady_clock::now();
  const std::string note = method.draw(picture, dots, display);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  const CanvasCheck check = SettledCheck(program, area, dots);

  std::printf(
      "| %-8s | %-17s | %8d | %6d (%6.2f%%) | %5d | %7.2f | %7.0f | %s\n",
      kind.name.c_str(), method.name.c_str(), check.expected, check.landed,
      100.0 * check.landed / check.expected, check.stray, seconds,
      check.expected / seconds, note.c_str());
  std::fflush(stdout);
  return {check.expected, check.landed, seconds};
}

// The closed loops are measured in alternate runs, so that a busy moment of
// the machine does not favour one of them.
constexpr int kClosedLoopRounds = 2;

void MeasureProgram(const PaintProgramKind& kind) {
  const std::vector<Method> methods = Methods();
  Measure(kind, methods[0]);
  Measure(kind, methods[1]);
  Result bare;
  Result pacer;
  for (int round = 0; round < kClosedLoopRounds; ++round) {
    const Result bare_run = Measure(kind, methods[2]);
    const Result pacer_run = Measure(kind, methods[3]);
    bare.seconds += bare_run.seconds;
    bare.landed += bare_run.landed;
    bare.expected += bare_run.expected;
    pacer.seconds += pacer_run.seconds;
    pacer.landed += pacer_run.landed;
    pacer.expected += pacer_run.expected;
  }
  std::printf(
      "| %-8s | pacer vs bare loop: %.1f%% of its rate, %d of %d dots "
      "landed\n",
      kind.name.c_str(),
      100.0 * (pacer.expected / pacer.seconds) / (bare.expected / bare.seconds),
      pacer.landed, pacer.expected);
  std::fflush(stdout);
}

}  // namespace
}  // namespace scrivlet::bench

int main(int argc, char** argv) {
  // An optional argument names the one paint program to measure.
  const std::string only = argc > 1 ? argv[1] : "";
  using scrivlet::bench::MeasureProgram;
  std::printf(
      "| program  | method            | expected | landed          | stray | "
      "seconds | dots/s  | pacer\n"
      "|----------|-------------------|----------|-----------------|-------|"
      "---------|---------|------\n");
  try {
    for (const auto& kind : scrivlet::testing::PaintPrograms()) {
      if (!only.empty() && kind.name != only) {
        continue;
      }
      MeasureProgram(kind);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "delivery_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
