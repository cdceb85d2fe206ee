#pragma once

// What the first bytes of a picture file say: its format and the size it
// announces. WIC's decoders (Wine's at least) refuse a damaged file of a
// known format without telling it apart from a file of no picture format,
// and read a whole GIF before its size can be asked for.

#include <cstdint>
#include <optional>
#include <span>

namespace scrivlet {

enum class PictureFormat : std::uint8_t { Bmp, Gif, Jpeg, Png };

struct AnnouncedSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The format whose signature the file starts with.
std::optional<PictureFormat> FormatBySignature(
    std::span<const std::uint8_t> start);

// The size in a BMP, GIF or PNG header (JPEG keeps it further in), read
// from at least the file's first 26 bytes.
std::optional<AnnouncedSize> SizeInHeader(std::span<const std::uint8_t> start);

}  // namespace scrivlet
