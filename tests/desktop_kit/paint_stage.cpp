// Sets a paint program out on the current X display for the demo
// (scripts/demo.sh): starts it with a blank canvas in view, prints
//   CANVAS x y width height
// and keeps it open until SIGTERM or SIGINT, then stops it.
//   scrivlet_paint_stage [mtpaint|xpaint]
// mtpaint's new canvas is black, with red ink: the stage opens a white
// picture whose two-colour palette makes its ink (colour A, entry 1) black,
// so that the drawing reads at a glance.

#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "paint_program.h"

namespace {

// A 640 x 480 BMP of palette entry 0 (white) with entry 1 black.
void WritePaper(const std::string& path) {
  constexpr std::uint32_t kWidth = 640;
  constexpr std::uint32_t kHeight = 480;
  constexpr std::uint32_t kPaletteBytes = 256 * 4;
  constexpr std::uint32_t kPixelsAt = 14 + 40 + kPaletteBytes;
  std::vector<std::uint8_t> bytes(kPixelsAt + kWidth * kHeight, 0);
  const auto put32 = [&bytes](std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
      bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<std::uint32_t>(bytes.size()));
  put32(10, kPixelsAt);
  put32(14, 40);
  put32(18, kWidth);
  put32(22, kHeight);
  bytes[26] = 1;  // planes
  bytes[28] = 8;  // bits a pixel
  put32(46, 2);   // colours used
  // Entry 0 white, entry 1 black (blue, green, red, 0).
  bytes[54] = bytes[55] = bytes[56] = 255;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
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
  std::string paper = "/tmp/blank-paper-" + std::to_string(getpid()) + ".bmp";
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != 0) {
    paper =
        std::string(tmp) + "/blank-paper-" + std::to_string(getpid()) + ".bmp";
  }
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
