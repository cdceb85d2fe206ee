#pragma once

// Whether a picture file holds all the data its header announces. Some
// decoders return a picture from a cut-off file and fill what is missing
// with black or grey, which would be drawn as a solid block of dots.

#include <cstdint>
#include <span>

namespace scrivlet {

// A BMP of `file_size` bytes whose start is `header` (at least its first 34
// bytes): true unless the header's uncompressed rows reach past the end of
// the file. Compressed and unreadable headers are left to the decoder.
bool BmpHoldsAllRows(std::span<const std::uint8_t> header,
                     std::uint64_t file_size);

// A whole JPEG file: true if its segments and scans, walked from the start,
// reach the image's end-of-image marker. Whatever follows that marker (the
// video a phone appends to a motion photo) is not looked at.
bool JpegHasEndOfImage(std::span<const std::uint8_t> file);

// A whole GIF file: true unless it ends inside a block. A missing trailer
// after complete image data is accepted, as other readers do.
bool GifBlocksComplete(std::span<const std::uint8_t> file);

}  // namespace scrivlet
