#include "ico_writer.h"

#include <cstddef>
#include <stdexcept>

namespace scrivlet::art {
namespace {

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFFU));
  out.push_back(static_cast<std::uint8_t>((value >> 8U) & 0xFFU));
}

void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutWord(out, value & 0xFFFFU);
  PutWord(out, value >> 16U);
}

// Bitmap rows are stored bottom-up, each padded to four bytes.
std::uint32_t RowBytes(std::uint32_t bits_per_row) {
  return (bits_per_row + 31U) / 32U * 4U;
}

}  // namespace

std::vector<std::uint8_t> EncodeIco8(const IndexedImage& image,
                                     std::uint8_t transparent_index) {
  constexpr std::size_t kPaletteSize = 256;
  if (image.palette.size() != kPaletteSize || image.width <= 0 ||
      image.width > 256 || image.height <= 0 || image.height > 256 ||
      image.pixels.size() != static_cast<std::size_t>(image.width) *
                                 static_cast<std::size_t>(image.height)) {
    throw std::invalid_argument("icon must be at most 256 x 256, 256 colours");
  }
  const auto width = static_cast<std::uint32_t>(image.width);
  const auto height = static_cast<std::uint32_t>(image.height);
  const std::uint32_t colour_row = RowBytes(width * 8U);
  const std::uint32_t mask_row = RowBytes(width);
  constexpr std::uint32_t kHeaderSize = 40;
  const std::uint32_t image_size =
      kHeaderSize + 4U * static_cast<std::uint32_t>(kPaletteSize) +
      (colour_row + mask_row) * height;
  constexpr std::uint32_t kDirectorySize = 6 + 16;

  std::vector<std::uint8_t> out;
  PutWord(out, 0);                                          // reserved
  PutWord(out, 1);                                          // icon
  PutWord(out, 1);                                          // one image
  out.push_back(static_cast<std::uint8_t>(width & 0xFFU));  // 256 is 0
  out.push_back(static_cast<std::uint8_t>(height & 0xFFU));
  out.push_back(0);  // 256 colours are written as 0
  out.push_back(0);
  PutWord(out, 1);  // planes
  PutWord(out, 8);  // bits per pixel
  PutDword(out, image_size);
  PutDword(out, kDirectorySize);

  PutDword(out, kHeaderSize);
  PutDword(out, width);
  PutDword(out, height * 2U);  // colour and mask stacked
  PutWord(out, 1);
  PutWord(out, 8);
  PutDword(out, 0);  // uncompressed
  PutDword(out, (colour_row + mask_row) * height);
  PutDword(out, 0);
  PutDword(out, 0);
  PutDword(out, kPaletteSize);
  PutDword(out, 0);
  for (const Rgb& colour : image.palette) {
    out.insert(out.end(), {colour.blue, colour.green, colour.red, 0});
  }
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      out.push_back(image.at(x, y) == transparent_index ? 0 : image.at(x, y));
    }
    out.resize(out.size() + colour_row - width, 0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(mask_row, 0);
    for (int x = 0; x < image.width; ++x) {
      if (image.at(x, y) == transparent_index) {
        const auto column = static_cast<std::size_t>(x);
        row[column / 8] |= static_cast<std::uint8_t>(0x80U >> (column % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace scrivlet::art
