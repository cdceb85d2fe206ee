#pragma once

// The Qt front end's picture decoder: the picture loader (QImageReader) on a
// file named by its raw bytes.

#include <QImage>

#include "window/core/picture.h"

namespace scrivlet {

class QtPictureDecoder : public PictureDecoder {
 public:
  DecodedPicture Decode(const std::string& path) override;
};

// A QImage as straight ARGB pixels.
Picture ToPicture(QImage image);

}  // namespace scrivlet
