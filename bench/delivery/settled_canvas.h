#pragma once

// The benchmarks' look at a canvas once the target has worked through what
// it was sent.

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "dot_pattern.h"
#include "paint_program.h"

namespace scrivlet::bench {

// Waits until the canvas stops changing (the target may still be working
// through queued events) and compares it with the dots.
inline testing::CanvasCheck SettledCheck(const testing::PaintProgram& program,
                                         ScreenRect area,
                                         const std::vector<ScreenPoint>& dots) {
  testing::CanvasCheck last =
      testing::CheckCanvas(program.Capture(area), dots, program.paper());
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    testing::CanvasCheck now =
        testing::CheckCanvas(program.Capture(area), dots, program.paper());
    if (now.landed == last.landed && now.stray == last.stray) {
      return now;
    }
    last = std::move(now);
  }
  return last;
}

}  // namespace scrivlet::bench
