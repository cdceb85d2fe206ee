#pragma once

// The project's own artwork: the built-in sample picture and the window
// icon, drawn from strokes so that the committed files can be regenerated
// exactly.

#include <cstdint>

#include "indexed_image.h"

namespace scrivlet::art {

inline constexpr int kSampleWidth = 346;
inline constexpr int kSampleHeight = 93;
// Palette of the sample: sixteen greys 0x00..0xF0 at indices 0..15, white at
// 16 (drawn transparent), and unused black entries up to 32.
inline constexpr std::uint8_t kSampleWhite = 16;
inline constexpr int kSamplePaletteSize = 32;

inline constexpr int kIconSize = 32;
inline constexpr std::uint8_t kIconTransparent = 255;

// Dark strokes on white: the word "Scrivlet" over a dotted line, and a face.
IndexedImage SampleArtwork();

// A dotted "S" on a sheet of paper, with a pencil.
IndexedImage IconArtwork();

}  // namespace scrivlet::art
