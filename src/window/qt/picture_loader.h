#pragma once

// Reading a dropped picture file, with every way it can fail told in a short
// message for the user.

#include <QImage>
#include <QString>

class QMimeData;

namespace scrivlet {

// The loops that walk a picture count in 16 bits and visit every pixel from
// 0 to the side's length: at coarseness 1 the counter steps to the side plus
// one, which must still fit 16 bits.
inline constexpr int kMaxPictureSide = 32766;
// Keeps a decoded picture and its composited copy within a few hundred MB.
inline constexpr qint64 kMaxPicturePixels = 40'000'000;

// Exactly one of the two is set.
struct PictureLoad {
  QImage picture;
  QString problem;
};

// The local path of the first file in a drop, or empty when the drop carries
// no local file.
QString FirstDroppedFile(const QMimeData& data);

// Loads a picture in any format Qt reads, judged by content, not by name.
// Takes regular files only and never waits on one (a FIFO is refused).
// Refuses pictures too large to draw before decoding them. Never throws.
PictureLoad LoadPictureFile(const QString& path);

}  // namespace scrivlet
