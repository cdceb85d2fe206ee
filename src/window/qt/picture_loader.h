#pragma once

// Reading a dropped picture file, with every way it can fail told in a short
// message for the user.

#include <QImage>
#include <QString>

#include "window/core/picture_limits.h"

namespace scrivlet {

// Exactly one of the two is set.
struct PictureLoad {
  QImage picture;
  QString problem;
};

// Loads a picture in any format Qt reads, judged by content, not by name.
// Takes regular files only and never waits on one (a FIFO is refused).
// Refuses pictures too large to draw before decoding them. Never throws.
PictureLoad LoadPictureFile(const QString& path);

}  // namespace scrivlet
