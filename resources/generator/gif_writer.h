#pragma once

// A minimal GIF89a writer: one image, global colour table, optional
// transparent index, not interlaced.

#include <cstdint>
#include <optional>
#include <vector>

#include "indexed_image.h"

namespace scrivlet::art {

// The palette size must be a power of two from 2 to 256; every pixel must
// index into it. Throws std::invalid_argument otherwise.
std::vector<std::uint8_t> EncodeGif89a(
    const IndexedImage& image, std::optional<std::uint8_t> transparent_index);

}  // namespace scrivlet::art
