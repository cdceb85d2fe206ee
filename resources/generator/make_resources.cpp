// Writes the built-in sample picture and the window icon into a folder:
//   scrivlet_make_resources OUTPUT_DIR
// The files it writes are committed under resources/; a test checks that
// they still come out of this program byte for byte.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "artwork.h"
#include "gif_writer.h"
#include "ico_writer.h"

namespace {

void WriteFile(const std::filesystem::path& path,
               const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: scrivlet_make_resources OUTPUT_DIR\n";
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    WriteFile(dir / "sample.gif",
              scrivlet::art::EncodeGif89a(scrivlet::art::SampleArtwork(),
                                          scrivlet::art::kSampleWhite));
    WriteFile(dir / "scrivlet.ico",
              scrivlet::art::EncodeIco8(scrivlet::art::IconArtwork(),
                                        scrivlet::art::kIconTransparent));
  } catch (const std::exception& error) {
    std::cerr << "scrivlet_make_resources: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
