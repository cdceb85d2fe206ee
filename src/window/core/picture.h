#pragma once

// A decoded picture, free of any toolkit, and the decoder interface each
// front end implements with its own image library (Qt: QImageReader, Win32:
// WIC). Everything after decoding (growing the box, compositing over white,
// what the plotters read) is the core's.

#include <cstdint>
#include <string>
#include <vector>

namespace scrivlet {

// Straight (not premultiplied) 0xAARRGGBB pixels, row by row from the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;

  [[nodiscard]] bool empty() const { return width <= 0 || height <= 0; }
};

// Exactly one of the two is meaningful: a picture, or why there is none.
struct DecodedPicture {
  Picture picture;
  std::string problem;  // UTF-8, one of texts::kDrop*; empty on success
};

class PictureDecoder {
 public:
  PictureDecoder() = default;
  PictureDecoder(const PictureDecoder&) = delete;
  PictureDecoder& operator=(const PictureDecoder&) = delete;
  PictureDecoder(PictureDecoder&&) = delete;
  PictureDecoder& operator=(PictureDecoder&&) = delete;
  virtual ~PictureDecoder() = default;

  // Reads a local file judged by its content. `path` is the file name as the
  // system spells it: raw bytes on Unix (not necessarily UTF-8), UTF-8 on
  // Windows. Refuses what cannot or should not be drawn with a message; may
  // throw (std::bad_alloc), which the core catches.
  virtual DecodedPicture Decode(const std::string& path) = 0;
};

}  // namespace scrivlet
