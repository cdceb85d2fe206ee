#pragma once

// The picture the click recorder shows with --pattern, as COLORREF
// (0x00BBGGRR): every pixel differs from its neighbours in all three
// channels, so a read-back one pixel off, mirrored or with channels swapped
// shows.

#include <cstdint>

namespace scrivlet::testing {

inline std::uint32_t PatternAt(std::int32_t x, std::int32_t y) {
  const auto red = static_cast<std::uint32_t>(x * 7 + y) & 0xFFU;
  const auto green = static_cast<std::uint32_t>(y * 5 + 3) & 0xFFU;
  const auto blue = static_cast<std::uint32_t>(x * 3 + y * 11) & 0xFFU;
  return red | (green << 8U) | (blue << 16U);
}

}  // namespace scrivlet::testing
