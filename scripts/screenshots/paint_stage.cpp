// Sets a paint program out on the current X display for the demo
// (scripts/demo.sh): starts it with a blank canvas in view, prints
//   CANVAS x y width height
// and keeps it open until SIGTERM or SIGINT, then stops it.
//   scrivlet_paint_stage [mtpaint|xpaint]
// mtpaint's new canvas is black, with red ink: the stage opens a white
// picture whose two-colour palette makes its ink (colour A, entry 1) black,
// so that the drawing reads at a glance.

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "paint_program.h"

namespace {

// A white 640 x 480 picture whose palette has black as entry 1.
void WritePaper(const std::string& path) {
  std::ofstream paper(path);
  paper << "/* XPM */\nstatic char *paper[] = {\n\"640 480 2 1\",\n"
        << "\"w c #FFFFFF\",\n\"k c #000000\",\n";
  for (int row = 0; row < 480; ++row) {
    paper << '"' << std::string(640, 'w') << (row < 479 ? "\",\n" : "\"\n");
  }
  paper << "};\n";
}

}  // namespace

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
  const std::string paper =
      std::filesystem::temp_directory_path() /
      ("blank-paper-" + std::to_string(getpid()) + ".xpm");
  for (auto kind : PaintPrograms()) {
    if (kind.name != name) {
      continue;
    }
    try {
      if (kind.name == "mtpaint") {
        WritePaper(paper);
        kind.command.push_back(paper);
      }
      const PaintProgram program(kind);
      std::remove(paper.c_str());
      const auto& canvas = program.canvas();
      std::cout << "CANVAS " << canvas.left << ' ' << canvas.top << ' '
                << canvas.width << ' ' << canvas.height << std::endl;
      int signal = 0;
      sigwait(&stop_signals, &signal);
      return 0;
    } catch (const std::exception& error) {
      std::remove(paper.c_str());
      std::cerr << "scrivlet_paint_stage: " << error.what() << '\n';
      return 1;
    }
  }
  std::cerr << "scrivlet_paint_stage: no paint program called " << name << '\n';
  return 2;
}
