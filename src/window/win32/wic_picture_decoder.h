#pragma once

// Reading a dropped picture file on Windows through the Windows Imaging
// Component, with the same refusals and messages as the Qt window.

#include <cstdint>
#include <span>
#include <string>

#include "window/core/picture.h"

namespace scrivlet {

class WicPictureDecoder final : public PictureDecoder {
 public:
  // `path` is UTF-8. Initialises COM on the calling thread for the call if
  // it is not yet.
  DecodedPicture Decode(const std::string& path) override;
};

// The same for a UTF-16 path.
DecodedPicture DecodePictureFileWic(const std::wstring& path);

// A picture file held in memory (the built-in sample).
DecodedPicture DecodePictureBytesWic(std::span<const std::uint8_t> bytes);

}  // namespace scrivlet
