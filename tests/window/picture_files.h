#pragma once

// The files both toolkits' picture loader tests open: stripes, saved whole
// and cut off, so that a cut-off file cannot pass for the whole picture;
// files that are no picture; and GIF headers that claim sizes their data
// does not have.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "gif_writer.h"
#include "window/core/window_texts.h"

namespace scrivlet::testing {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int kStripesWidth = 120;
inline constexpr int kStripesHeight = 60;

inline bool StripeDark(int x, int y) { return (x / 5 + y / 3) % 2 == 0; }

inline Bytes StripesGif() {
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
inline Bytes ClaimingGif(int width, int height) {
  const auto lo = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
  const auto hi = [](int v) { return static_cast<std::uint8_t>(v >> 8); };
  return {'G',       'I',       'F',        '8',        '9', 'a',
          lo(width), hi(width), lo(height), hi(height), 0,   0,
          0,         ',',       0,          0,          0,   0,
          lo(width), hi(width), lo(height), hi(height), 0,   2,
          2,         0x44,      1,          0,          ';'};
}

struct LoadCase {
  std::string what;  // a test name
  Bytes bytes;
  const char* problem;  // nullptr: the stripes load whole
  const char* file_name = "a.pic";
};

inline void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.what; }

// Each whole file, also cut in half and after its header; then what any
// loader must refuse.
inline std::vector<LoadCase> LoadCases(
    const std::vector<std::pair<std::string, Bytes>>& wholes) {
  std::vector<LoadCase> cases;
  for (const auto& [name, whole] : wholes) {
    const auto cut = [](const Bytes& bytes, std::size_t size) {
      return Bytes(bytes.begin(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(size));
    };
    cases.push_back({name + "_whole", whole, nullptr});
    cases.push_back({name + "_cut_in_half", cut(whole, whole.size() / 2),
                     texts::kDropBroken});
    cases.push_back(
        {name + "_cut_after_its_header", cut(whole, 30), texts::kDropBroken});
  }
  const std::string text = "GIF is a format\n";
  // Filled first, the signature copied over: g++ 12 at -O3 warns falsely
  // of an out-of-bounds move when an 8-byte vector is resized.
  const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes png_over_garbage(300, 0x5A);
  std::copy(signature.begin(), signature.end(), png_over_garbage.begin());
  cases.insert(cases.end(),
               {{"zero_bytes", {}, texts::kDropNotPicture, "empty.bmp"},
                {"text_named_gif", Bytes(text.begin(), text.end()),
                 texts::kDropNotPicture, "a.gif"},
                {"PNG_signature_over_garbage", png_over_garbage,
                 texts::kDropBroken, "a.png"},
                // Wider than the drawing loops can walk, though few pixels.
                {"GIF_claiming_32767_by_1", ClaimingGif(32767, 1),
                 texts::kDropTooWide, "wide.gif"}});
  return cases;
}

// How many pixels `dark(x, y)` gets wrong against the stripes.
template <typename Dark>
int StripeMismatches(Dark dark) {
  int differ = 0;
  for (int y = 0; y < kStripesHeight; ++y) {
    for (int x = 0; x < kStripesWidth; ++x) {
      differ += dark(x, y) != StripeDark(x, y) ? 1 : 0;
    }
  }
  return differ;
}

}  // namespace scrivlet::testing
