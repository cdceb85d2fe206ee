#include "window/win32/picture_header.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace scrivlet {
namespace {

bool StartsWith(std::span<const std::uint8_t> bytes,
                std::initializer_list<std::uint8_t> signature) {
  return bytes.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), bytes.begin());
}

std::uint32_t Little(std::span<const std::uint8_t> bytes, std::size_t at,
                     std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = count; i-- > 0;) {
    value = value << 8U | bytes[at + i];
  }
  return value;
}

std::uint32_t Big32(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = value << 8U | bytes[at + i];
  }
  return value;
}

}  // namespace

std::optional<PictureFormat> FormatBySignature(
    std::span<const std::uint8_t> start) {
  if (StartsWith(start, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) {
    return PictureFormat::Png;
  }
  if (StartsWith(start, {'G', 'I', 'F', '8', '7', 'a'}) ||
      StartsWith(start, {'G', 'I', 'F', '8', '9', 'a'})) {
    return PictureFormat::Gif;
  }
  if (StartsWith(start, {0xFF, 0xD8, 0xFF})) {
    return PictureFormat::Jpeg;
  }
  if (StartsWith(start, {'B', 'M'})) {
    return PictureFormat::Bmp;
  }
  return std::nullopt;
}

std::optional<AnnouncedSize> SizeInHeader(std::span<const std::uint8_t> start) {
  const auto format = FormatBySignature(start);
  constexpr std::size_t kNeeded = 26;
  if (!format || start.size() < kNeeded) {
    return std::nullopt;
  }
  switch (*format) {
    case PictureFormat::Gif:  // the logical screen
      return AnnouncedSize{Little(start, 6, 2), Little(start, 8, 2)};
    case PictureFormat::Png:  // IHDR, which must be the first chunk
      if (!StartsWith(start.subspan(12), {'I', 'H', 'D', 'R'})) {
        return std::nullopt;
      }
      return AnnouncedSize{Big32(start, 16), Big32(start, 20)};
    case PictureFormat::Bmp: {
      // BITMAPINFOHEADER and later: signed 32-bit sides, a negative height
      // for top-down rows. (The old 12-byte core header is left to WIC.)
      if (Little(start, 14, 4) < 40) {
        return std::nullopt;
      }
      const auto width = static_cast<std::int32_t>(Little(start, 18, 4));
      const auto height = static_cast<std::int32_t>(Little(start, 22, 4));
      return AnnouncedSize{static_cast<std::uint32_t>(
                               std::abs(static_cast<std::int64_t>(width))),
                           static_cast<std::uint32_t>(
                               std::abs(static_cast<std::int64_t>(height)))};
    }
    case PictureFormat::Jpeg:
      break;
  }
  return std::nullopt;
}

}  // namespace scrivlet
