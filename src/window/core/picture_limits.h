#pragma once

// How large a picture the window takes, whichever way it comes in.

#include <cstdint>

#include "window/core/window_texts.h"

namespace scrivlet {

// The loops that walk a picture count in 16 bits and visit every pixel from
// 0 to the side's length: at coarseness 1 the counter steps to the side plus
// one, which must still fit 16 bits.
inline constexpr int kMaxPictureSide = 32766;
// Keeps a decoded picture and its composited copy within a few hundred MB.
inline constexpr std::int64_t kMaxPicturePixels = 40'000'000;

// Why a picture of this size is refused; nullptr when it is taken.
constexpr const char* PictureSizeProblem(std::int64_t width,
                                         std::int64_t height) {
  if (width > kMaxPictureSide || height > kMaxPictureSide) {
    return texts::kDropTooWide;
  }
  if (width * height > kMaxPicturePixels) return texts::kDropTooLarge;
  return nullptr;
}

}  // namespace scrivlet
