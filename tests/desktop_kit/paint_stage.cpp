// Sets a paint program out on the current X display for the demo
// (scripts/demo.sh): starts it with a blank canvas in view, prints
//   CANVAS x y width height
// and keeps it open until SIGTERM or SIGINT, then stops it.
//   scrivlet_paint_stage [mtpaint|xpaint]

#include <csignal>
#include <exception>
#include <iostream>
#include <string>

#include "paint_program.h"

int main(int argc, char** argv) {
  using scrivlet::testing::PaintProgram;
  using scrivlet::testing::PaintPrograms;
  // Taken by sigwait below, so that the paint program is stopped on the way
  // out.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  const std::string name = argc > 1 ? argv[1] : "mtpaint";
  for (const auto& kind : PaintPrograms()) {
    if (kind.name != name) {
      continue;
    }
    try {
      const PaintProgram program(kind);
      const auto& canvas = program.canvas();
      std::cout << "CANVAS " << canvas.x << ' ' << canvas.y << ' '
                << canvas.width << ' ' << canvas.height << std::endl;
      int signal = 0;
      sigwait(&stop_signals, &signal);
      return 0;
    } catch (const std::exception& error) {
      std::cerr << "scrivlet_paint_stage: " << error.what() << '\n';
      return 1;
    }
  }
  std::cerr << "scrivlet_paint_stage: no paint program called " << name << '\n';
  return 2;
}
