#pragma once

// The picture the loader tests save in every format: stripes, so that a
// cut-off file cannot pass for the whole picture. Also GIF headers that claim
// sizes their data does not have.

#include <cstdint>
#include <optional>
#include <vector>

#include "gif_writer.h"

namespace scrivlet::testing {

inline constexpr int kStripesWidth = 120;
inline constexpr int kStripesHeight = 60;

inline bool StripeDark(int x, int y) { return (x / 5 + y / 3) % 2 == 0; }

inline std::vector<std::uint8_t> StripesGif() {
  art::IndexedImage image{
      kStripesWidth, kStripesHeight, {}, {{0, 0, 0}, {255, 255, 255}}};
  for (int y = 0; y < kStripesHeight; ++y) {
    for (int x = 0; x < kStripesWidth; ++x) {
      image.pixels.push_back(StripeDark(x, y) ? 0 : 1);
    }
  }
  return art::EncodeGif89a(image, std::nullopt);
}

// A GIF whose screen and image descriptors claim `width` x `height`, with
// one pixel's worth of data.
inline std::vector<std::uint8_t> ClaimingGif(int width, int height) {
  const auto lo = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
  const auto hi = [](int v) { return static_cast<std::uint8_t>(v >> 8); };
  return {'G',       'I',       'F',        '8',        '9', 'a',
          lo(width), hi(width), lo(height), hi(height), 0,   0,
          0,         ',',       0,          0,          0,   0,
          lo(width), hi(width), lo(height), hi(height), 0,   2,
          2,         0x44,      1,          0,          ';'};
}

}  // namespace scrivlet::testing
