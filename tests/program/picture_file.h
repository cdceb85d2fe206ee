#pragma once

// Picture files for the program to load, written as a user's paint program
// would save them.

#include <cstdint>
#include <functional>
#include <string>

namespace scrivlet::testing {

// The grey level 0 (black) to 255 (white) of each pixel.
using Shade = std::function<int(std::int32_t x, std::int32_t y)>;

// Saves a grey picture as a PNG file; throws std::runtime_error if it
// cannot.
void WriteGreyPng(const std::string& path, std::int32_t width,
                  std::int32_t height, const Shade& shade);

// The file:// URI of a local path, percent-encoded as a file manager
// offers it.
std::string FileUri(const std::string& path);

}  // namespace scrivlet::testing
