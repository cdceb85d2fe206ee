#pragma once

// Short names for the events the plotters send, so expected streams read
// like the drawing they describe, for the settings they draw with, and the
// tones a ditherer chose drawn in text.

#include <string>
#include <vector>

#include "engine/ditherer.h"
#include "engine/draw_settings.h"
#include "fake_desktop.h"

namespace scrivlet::testing {

using Events = std::vector<MouseEventRecord>;
inline constexpr COLORREF kWhite = 0xFFFFFF;

inline DrawSettings Settings(std::int16_t coarseness,
                             std::int16_t magnification,
                             std::int16_t threshold = 200, bool drag = false) {
  return {coarseness, magnification, threshold, drag ? kTrue : kFalse};
}

inline MouseEventRecord AbsMove(std::int32_t x, std::int32_t y) {
  return {MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y};
}
inline MouseEventRecord AbsDown(std::int32_t x, std::int32_t y) {
  return {MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, x, y};
}
inline MouseEventRecord AbsUp(std::int32_t x, std::int32_t y) {
  return {MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, x, y};
}
inline MouseEventRecord RelMove(std::int32_t dx, std::int32_t dy) {
  return {MOUSEEVENTF_MOVE, dx, dy};
}
inline MouseEventRecord RelDown() { return {MOUSEEVENTF_LEFTDOWN, 0, 0}; }
inline MouseEventRecord RelUp() { return {MOUSEEVENTF_LEFTUP, 0, 0}; }

// '#' the first tone, '.' the paper, other tones as their index.
inline std::vector<std::string> Text(const ToneGrid& tones,
                                     const Palette& palette) {
  std::vector<std::string> rows;
  for (int r = 0; r < tones.rows; ++r) {
    std::string row;
    for (int c = 0; c < tones.columns; ++c) {
      const int t = tones.At(c, r);
      row += t == palette.paper ? '.'
             : t == 0           ? '#'
                                : static_cast<char>('0' + t);
    }
    rows.push_back(row);
  }
  return rows;
}

inline std::ostream& operator<<(std::ostream& out,
                                const MouseEventRecord& event) {
  return out << "{0x" << std::hex << event.flags << std::dec << ", " << event.dx
             << ", " << event.dy << "}";
}

}  // namespace scrivlet::testing
