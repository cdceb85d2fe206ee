#pragma once

// A palette picture: one palette index per pixel, rows top to bottom.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scrivlet::art {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height palette indices
  std::vector<Rgb> palette;

  [[nodiscard]] std::uint8_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) *
                      static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

}  // namespace scrivlet::art
