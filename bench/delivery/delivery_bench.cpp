// How fast dots land in a drawing target, and how many: pipelined delivery
// beside the one-in-flight closed loop, back-to-back injection and a fixed
// 3 ms pace. Run on an X desktop (scripts/bench-delivery.sh starts each
// desktop and calls this once per desktop):
//
//   delivery_bench DESKTOP TARGET [COLUMNS ROWS]
//
// DESKTOP labels the rows; TARGET names a kind of the desktop kit (mtpaint,
// xpaint, canvas-page). Prints one table row per method and a ratio row.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/open_desktop.h"
#include "bench_rows.h"
#include "delivery/delivery_pacer.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "fixed_pause_desktop.h"
#include "one_in_flight_pacer.h"
#include "paint_program.h"
#include "platform/desktop.h"
#include "settled_canvas.h"

namespace scrivlet::bench {
namespace {

using testing::CanvasCheck;
using testing::PaintProgram;
using testing::PaintProgramKind;

// Single clicks 2 pixels apart.
const DrawSettings kSettings{2, 1, 200, kFalse};

struct Method {
  std::string name;
  std::function<std::unique_ptr<PlatformInput>()> open;
  // Ends once its dots show (the pacers); the others end when the last
  // click is sent, and are timed on until the screen shows every dot.
  bool confirms = true;
};

int EnvironmentNumber(const char* name, int otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::stoi(value) : otherwise;
}

// The fixed pace may be changed to see how a target takes clicks faster or
// in bursts: DELIVERY_BENCH_PAUSE_US=500, or DELIVERY_BENCH_BURST=16 with
// a pause after every 16 clicks.
Method FixedPace() {
  const int pause_us = EnvironmentNumber("DELIVERY_BENCH_PAUSE_US", 3000);
  const int burst = EnvironmentNumber("DELIVERY_BENCH_BURST", 1);
  std::string name = pause_us % 1000 == 0
                         ? std::to_string(pause_us / 1000) + " ms"
                         : std::to_string(pause_us) + " us";
  name = burst > 1 ? "bursts of " + std::to_string(burst) + ", " + name
                   : "fixed " + name + " pace";
  return {name,
          [pause_us, burst] {
            return std::make_unique<FixedPauseDesktop>(
                OpenNativeDesktop(), std::chrono::microseconds(pause_us),
                burst);
          },
          false};
}

std::vector<Method> Methods() {
  std::vector<Method> methods{
      {"back to back", [] { return OpenNativeDesktop(); }, false},
      FixedPace(),
      {"one in flight",
       [] {
         return std::make_unique<OneInFlightPacer>(OpenNativeDesktop(),
                                                   MakeSteadyPacingClock());
       }},
      {"pipelined (Scrivlet)", [] { return OpenDesktop(); }},
  };
  // DELIVERY_BENCH_PROBE_DOTS=4 adds pipelined delivery with another count
  // of dots sent alone before the window grows, beside Scrivlet's own, on
  // every target (16 is Scrivlet's probe before it was shortened where the
  // screen shows drawn dots late).
  const int probe = EnvironmentNumber("DELIVERY_BENCH_PROBE_DOTS", 0);
  if (probe > 0) {
    methods.push_back({"pipelined, probe " + std::to_string(probe), [probe] {
                         PacingPolicy policy;
                         policy.trust.probe_dots = probe;
                         policy.trust.probe_dots_drawn_late = probe;
                         return std::make_unique<DeliveryPacer>(
                             OpenNativeDesktop(), MakeSteadyPacingClock(),
                             policy);
                       }});
  }
  return methods;
}

struct Result {
  bool clean = false;  // every dot landed, nothing strayed
  double rate = 0;
  double landed_rate = 0;  // dots that landed, per second
};

// Seconds from `start` until the canvas showed every dot, or else until its
// last change (a target that lost some): what a method that does not
// confirm its dots takes to draw, as a pacer's time includes its looks.
double ShownAfter(const PaintProgram& program, ScreenRect area,
                  const std::vector<ScreenPoint>& dots,
                  std::chrono::steady_clock::time_point start) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  auto changed = Clock::now();
  CanvasCheck last;
  for (bool first = true;; first = false) {
    const CanvasCheck now =
        testing::CheckCanvas(program.Capture(area), dots, program.paper());
    const auto at = Clock::now();
    if (first || now.landed != last.landed || now.stray != last.stray) {
      changed = at;
      last = now;
    }
    if (now.landed == now.expected || at - changed > std::chrono::seconds(1) ||
        at > deadline) {
      return std::chrono::duration<double>(changed - start).count();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

Result Measure(const std::string& desktop_name, const PaintProgramKind& kind,
               const Method& method, int columns, int rows) {
  PaintProgram program(kind);
  const ScreenRect canvas = program.canvas();
  const testing::PatternPicture picture =
      testing::SolidPicture(2 * columns - 1, 2 * rows - 1);
  const ScreenPoint origin{canvas.left + 20, canvas.top + 20};
  const std::vector<ScreenPoint> dots =
      ExpectedDots(picture, kSettings, testing::PlotMode::Absolute, origin);
  const ScreenRect area = testing::BoundingRect(dots, 10);
  if (!testing::Holds(canvas, area)) {
    throw std::runtime_error("the grid does not fit " + kind.name +
                             "'s canvas");
  }

  Display* display = program.display();
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, origin.x,
               origin.y);
  XSync(display, False);
  std::unique_ptr<PlatformInput> desktop = method.open();
  const auto start = std::chrono::steady_clock::now();
  desktop->DrawingStarted();
  DrawAbsolute(*desktop, picture, kSettings);
  desktop->DrawingEnded();
  const double sent =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  const double seconds =
      method.confirms ? sent : ShownAfter(program, area, dots, start);
  const CanvasCheck check = SettledCheck(program, area, dots);
  const double rate = check.expected / seconds;
  char sent_note[64];
  std::snprintf(sent_note, sizeof sent_note, "last click sent at %.2f s", sent);
  std::printf(
      "| %-8s | %-11s | %-20s | %5d | %6.2f%% | %5d | %7.2f | %7.0f | %s\n",
      desktop_name.c_str(), kind.name.c_str(), method.name.c_str(),
      check.expected, 100.0 * check.landed / check.expected, check.stray,
      seconds, rate,
      PacerNote(*desktop, method.confirms ? "" : sent_note).c_str());
  std::fflush(stdout);
  return {check.landed == check.expected && check.stray == 0, rate,
          check.landed / seconds};
}

}  // namespace
}  // namespace scrivlet::bench

int main(int argc, char** argv) {
  using namespace scrivlet::bench;
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr,
                 "usage: delivery_bench DESKTOP TARGET [COLUMNS ROWS]\n");
    return 2;
  }
  const std::string desktop = argv[1];
  const int columns = argc == 5 ? std::stoi(argv[3]) : 60;
  const int rows = argc == 5 ? std::stoi(argv[4]) : 20;
  try {
    const auto& kind = KindNamed(argv[2]);
    // DELIVERY_BENCH_ONLY=pipelined measures that method alone (tuning).
    const char* only = std::getenv("DELIVERY_BENCH_ONLY");
    std::vector<Result> results;
    for (const Method& method : Methods()) {
      if (only != nullptr && method.name.find(only) == std::string::npos) {
        results.push_back({false, 1});
        continue;
      }
      results.push_back(Measure(desktop, kind, method, columns, rows));
    }
    // Back to back is the target's open-loop ceiling: what it takes with
    // no pause at all, counted by the dots that landed, until they showed.
    const Result& ceiling = results[0];
    const Result& closed = results[2];
    const Result& pipelined = results[3];
    std::printf(
        "| %-8s | %-11s | **pipelined vs loop** | | | | | "
        "**%.1fx** | %s; %.0f%% of the open-loop ceiling\n",
        desktop.c_str(), kind.name.c_str(), pipelined.rate / closed.rate,
        pipelined.clean ? "every dot landed, 0 stray"
                        : "NOT clean: see its row",
        ceiling.landed_rate > 0 ? 100.0 * pipelined.rate / ceiling.landed_rate
                                : 0.0);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "delivery_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
