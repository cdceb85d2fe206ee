#include "window/core/picture_integrity.h"

#include <cstddef>
#include <cstdlib>

namespace scrivlet {
namespace {

std::uint32_t Little32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) |
         static_cast<std::uint32_t>(bytes[at + 1]) << 8U |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16U |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24U;
}

std::uint16_t Little16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8U);
}

}  // namespace

bool BmpHoldsAllRows(std::span<const std::uint8_t> header,
                     std::uint64_t file_size) {
  constexpr std::size_t kNeeded = 34;
  // Only the common info headers (40 bytes and later versions) say how the
  // rows are stored; the old 12-byte core header is left to the decoder.
  constexpr std::uint32_t kInfoHeaderSize = 40;
  constexpr std::uint32_t kUncompressed = 0;
  constexpr std::uint32_t kBitFields = 3;
  if (header.size() < kNeeded || header[0] != 'B' || header[1] != 'M' ||
      Little32(header, 14) < kInfoHeaderSize) {
    return true;
  }
  const std::uint32_t compression = Little32(header, 30);
  if (compression != kUncompressed && compression != kBitFields) {
    return true;
  }
  const std::uint64_t offset = Little32(header, 10);
  const auto width = static_cast<std::int32_t>(Little32(header, 18));
  const auto height = static_cast<std::int32_t>(Little32(header, 22));
  const std::uint64_t bits = Little16(header, 28);
  // Rows are padded to whole 32-bit words; all sizes here fit 64 bits.
  const std::uint64_t row_bytes =
      (static_cast<std::uint64_t>(std::llabs(width)) * bits + 31) / 32 * 4;
  const auto rows = static_cast<std::uint64_t>(std::llabs(height));
  return offset + row_bytes * rows <= file_size;
}

bool JpegHasEndOfImage(std::span<const std::uint8_t> file) {
  constexpr std::uint8_t kStartOfImage = 0xD8;
  constexpr std::uint8_t kEndOfImage = 0xD9;
  constexpr std::uint8_t kStartOfScan = 0xDA;
  const std::size_t size = file.size();
  if (size < 2 || file[0] != 0xFF || file[1] != kStartOfImage) {
    return true;  // not a JPEG the decoder could have read
  }
  // Markers without a length: start and end of image, restarts, TEM.
  const auto stands_alone = [](std::uint8_t marker) {
    return marker == 0x01 || (marker >= 0xD0 && marker <= kEndOfImage);
  };
  std::size_t at = 2;
  while (at < size) {
    if (file[at] != 0xFF) return false;  // not a marker: damaged
    // Any number of 0xFF may pad the space before a marker.
    while (at < size && file[at] == 0xFF) ++at;
    if (at >= size) return false;
    const std::uint8_t marker = file[at++];
    if (marker == kEndOfImage) return true;
    if (stands_alone(marker)) continue;
    if (at + 2 > size) return false;
    const std::size_t length =
        static_cast<std::size_t>(file[at]) << 8U | file[at + 1];
    if (length < 2) return false;
    at += length;
    if (marker != kStartOfScan) continue;
    // Entropy-coded data: a data byte 0xFF is followed by 0, and restart
    // markers sit inside it; any other marker ends the scan.
    while (at + 1 < size &&
           !(file[at] == 0xFF && file[at + 1] != 0 &&
             !(file[at + 1] >= 0xD0 && file[at + 1] <= 0xD7))) {
      ++at;
    }
    if (at + 1 >= size) return false;
  }
  return false;
}

bool GifBlocksComplete(std::span<const std::uint8_t> file) {
  constexpr std::size_t kScreenEnd = 13;  // signature and screen descriptor
  constexpr std::uint8_t kHasColourTable = 0x80;
  constexpr std::uint8_t kExtension = 0x21;
  constexpr std::uint8_t kImage = 0x2C;
  constexpr std::uint8_t kTrailer = 0x3B;
  const auto table_bytes = [](std::uint8_t flags) -> std::size_t {
    return (flags & kHasColourTable) != 0 ? 3U << ((flags & 7U) + 1U) : 0U;
  };
  // Skips a chain of sub-blocks; false if the file ends inside it.
  const auto skip_sub_blocks = [&file](std::size_t& at) {
    while (at < file.size()) {
      const std::size_t length = file[at];
      at += 1 + length;
      if (length == 0) {
        return true;
      }
    }
    return false;
  };
  if (file.size() < kScreenEnd) {
    return true;  // not a GIF the decoder could have read
  }
  std::size_t at = kScreenEnd + table_bytes(file[10]);
  while (at < file.size()) {
    const std::uint8_t block = file[at];
    if (block == kTrailer) {
      return true;
    }
    if (block == kExtension) {
      at += 2;
    } else if (block == kImage) {
      constexpr std::size_t kDescriptorBytes = 10;
      if (at + kDescriptorBytes > file.size()) {
        return false;
      }
      // The descriptor, its colour table and the code size byte.
      at += kDescriptorBytes + table_bytes(file[at + 9]) + 1;
    } else {
      return true;  // unknown block: the decoder decides
    }
    if (!skip_sub_blocks(at)) {
      return false;
    }
  }
  return at == file.size();
}

}  // namespace scrivlet
