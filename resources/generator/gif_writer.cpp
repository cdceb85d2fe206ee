#include "gif_writer.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace scrivlet::art {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kMaxCodes = 1 << kMaxCodeBits;

void PutWord(std::vector<std::uint8_t>& out, int value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// Packs variable-width codes least significant bit first.
class BitPacker {
 public:
  void Put(int symbol, int width) {
    buffer_ |= static_cast<std::uint32_t>(symbol) << pending_;
    pending_ += width;
    while (pending_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFFU));
      buffer_ >>= 8;
      pending_ -= 8;
    }
  }
  std::vector<std::uint8_t> Finish() {
    if (pending_ > 0) {
      bytes_.push_back(static_cast<std::uint8_t>(buffer_ & 0xFFU));
    }
    return std::move(bytes_);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint32_t buffer_ = 0;
  int pending_ = 0;
};

// LZW as GIF uses it: a clear code first, the code width grows as the table
// fills, and a full table is cleared and started afresh.
std::vector<std::uint8_t> CompressLzw(const std::vector<std::uint8_t>& pixels,
                                      int min_code_size) {
  const int clear_code = 1 << min_code_size;
  const int end_code = clear_code + 1;
  std::unordered_map<std::uint32_t, int> table;  // (prefix << 8 | pixel)
  int code_size = min_code_size + 1;
  int last_code = end_code;
  BitPacker packer;
  packer.Put(clear_code, code_size);
  if (pixels.empty()) {
    packer.Put(end_code, code_size);
    return packer.Finish();
  }
  int current = pixels.front();
  for (std::size_t i = 1; i < pixels.size(); ++i) {
    const std::uint8_t pixel = pixels[i];
    const std::uint32_t key = static_cast<std::uint32_t>(current) << 8U | pixel;
    if (const auto found = table.find(key); found != table.end()) {
      current = found->second;
      continue;
    }
    packer.Put(current, code_size);
    table.emplace(key, ++last_code);
    if (last_code >= (1 << code_size)) {
      ++code_size;
    }
    if (last_code == kMaxCodes - 1) {
      packer.Put(clear_code, kMaxCodeBits);
      table.clear();
      code_size = min_code_size + 1;
      last_code = end_code;
    }
    current = pixel;
  }
  packer.Put(current, code_size);
  packer.Put(end_code, code_size);
  return packer.Finish();
}

int Log2OfPaletteSize(std::size_t size) {
  for (int bits = 1; bits <= 8; ++bits) {
    if (size == (std::size_t{1} << static_cast<unsigned>(bits))) {
      return bits;
    }
  }
  throw std::invalid_argument(
      "GIF palette size must be a power of two, 2..256");
}

}  // namespace

std::vector<std::uint8_t> EncodeGif89a(
    const IndexedImage& image, std::optional<std::uint8_t> transparent_index) {
  const int palette_bits = Log2OfPaletteSize(image.palette.size());
  if (image.width <= 0 || image.height <= 0 || image.width > 0xFFFF ||
      image.height > 0xFFFF ||
      image.pixels.size() != static_cast<std::size_t>(image.width) *
                                 static_cast<std::size_t>(image.height)) {
    throw std::invalid_argument("GIF image size does not match its pixels");
  }
  for (const std::uint8_t pixel : image.pixels) {
    if (pixel >= image.palette.size()) {
      throw std::invalid_argument("GIF pixel outside the palette");
    }
  }

  std::vector<std::uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
  // Logical screen: global table present, its size, colour resolution.
  PutWord(out, image.width);
  PutWord(out, image.height);
  const int size_field = palette_bits - 1;
  out.push_back(
      static_cast<std::uint8_t>(0x80 | (size_field << 4) | size_field));
  out.push_back(0);  // background colour index
  out.push_back(0);  // no aspect ratio
  for (const Rgb& colour : image.palette) {
    out.insert(out.end(), {colour.red, colour.green, colour.blue});
  }
  if (transparent_index) {
    // Graphic control extension: transparency on, no delay.
    out.insert(out.end(),
               {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, *transparent_index, 0x00});
  }
  out.push_back(0x2C);  // image descriptor
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, image.width);
  PutWord(out, image.height);
  out.push_back(0x00);  // no local table, not interlaced

  const int min_code_size = palette_bits < 2 ? 2 : palette_bits;
  out.push_back(static_cast<std::uint8_t>(min_code_size));
  const std::vector<std::uint8_t> data =
      CompressLzw(image.pixels, min_code_size);
  constexpr std::size_t kMaxBlock = 255;
  for (std::size_t at = 0; at < data.size(); at += kMaxBlock) {
    const std::size_t length = std::min(kMaxBlock, data.size() - at);
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + length));
  }
  out.push_back(0x00);  // end of image data
  out.push_back(0x3B);  // trailer
  return out;
}

}  // namespace scrivlet::art
