#pragma once

// A minimal icon file writer: one 8-bit palette image with a transparency
// mask.

#include <cstdint>
#include <vector>

#include "indexed_image.h"

namespace scrivlet::art {

// The palette must have 256 entries; pixels equal to `transparent_index`
// are masked out. Throws std::invalid_argument for other sizes.
std::vector<std::uint8_t> EncodeIco8(const IndexedImage& image,
                                     std::uint8_t transparent_index);

}  // namespace scrivlet::art
