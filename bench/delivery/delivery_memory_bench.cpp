// Whether delivery's memory stays flat over many drawings: one desktop (the
// pacer in front of the X11 backend, as the program opens it) draws 50
// small grids into mtpaint, side by side on fresh paper, absolute and
// relative in turn, and prints the process's resident size and the heap in
// use after drawings 1, 10, 25 and 50. Run on an X desktop:
//
//   delivery_memory_bench            (scripts/bench-delivery-memory.sh)

#include <malloc.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/open_desktop.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "paint_program.h"
#include "platform/desktop.h"

namespace scrivlet::bench {
namespace {

using testing::PaintProgram;
using testing::PlotMode;

constexpr int kDrawings = 50;
// Each drawing: 10 x 10 single clicks 2 pixels apart, in a cell of its own.
constexpr int kDotsAcross = 10;
constexpr int kCell = 2 * kDotsAcross + 4;
const DrawSettings kSettings{1, 2, 200, kFalse};

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

void Run() {
  const testing::PaintProgramKind* mtpaint = nullptr;
  for (const testing::PaintProgramKind& kind : testing::PaintPrograms()) {
    mtpaint = kind.name == "mtpaint" ? &kind : mtpaint;
  }
  if (mtpaint == nullptr) {
    throw std::runtime_error("the desktop kit has no mtpaint");
  }
  PaintProgram program(*mtpaint);
  const ScreenRect canvas = program.canvas();
  const int columns = (canvas.width - 8) / kCell;
  const int rows = (canvas.height - 8) / kCell;
  if (columns * rows < kDrawings) {
    throw std::runtime_error("the canvas has room for " +
                             std::to_string(columns * rows) + " of " +
                             std::to_string(kDrawings) + " drawings");
  }
  // Single clicks 1 picture pixel apart, 2 screen pixels in both modes.
  const testing::PatternPicture picture =
      testing::SolidPicture(kDotsAcross, kDotsAcross);
  std::unique_ptr<PlatformInput> desktop = OpenDesktop();
  const std::set<int> reported = {1, 10, 25, kDrawings};
  std::printf(
      "| drawing | mode     | dots | landed | stray | RSS KiB | heap in use "
      "KiB\n");
  std::printf(
      "|---------|----------|------|--------|-------|---------|----------------"
      "\n");
  for (int drawing = 1; drawing <= kDrawings; ++drawing) {
    const int cell = drawing - 1;
    const ScreenPoint origin{canvas.left + 4 + (cell % columns) * kCell,
                             canvas.top + 4 + (cell / columns) * kCell};
    const PlotMode mode =
        drawing % 2 == 1 ? PlotMode::Absolute : PlotMode::Relative;
    Display* display = program.display();
    XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0,
                 origin.x, origin.y);
    XSync(display, False);
    desktop->DrawingStarted();
    if (mode == PlotMode::Absolute) {
      DrawAbsolute(*desktop, picture, kSettings);
    } else {
      DrawRelative(*desktop, picture, kSettings);
    }
    desktop->DrawingEnded();
    if (!reported.contains(drawing)) {
      continue;
    }
    const std::vector<ScreenPoint> dots =
        ExpectedDots(picture, kSettings, mode, origin);
    const testing::CanvasCheck check = testing::CheckCanvas(
        program.Capture(testing::BoundingRect(dots, 1)), dots, program.paper());
    std::printf("| %7d | %-8s | %4d | %6d | %5d | %7ld | %15zu\n", drawing,
                mode == PlotMode::Absolute ? "absolute" : "relative",
                check.expected, check.landed, check.stray, ResidentKiB(),
                mallinfo2().uordblks / 1024);
    std::fflush(stdout);
  }
}

}  // namespace
}  // namespace scrivlet::bench

int main() {
  try {
    scrivlet::bench::Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "delivery_memory_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
