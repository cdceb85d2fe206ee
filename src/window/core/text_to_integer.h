#pragma once

// The settings boxes' text-to-number conversion, written once.

#include <cstdint>
#include <optional>
#include <string_view>

namespace scrivlet {

// Converts a box's whole text to a 16-bit signed integer. Accepted: a
// decimal number with an optional sign, optional surrounding blanks (spaces
// and tabs) and an optional fraction, which is rounded to the nearest whole
// number, halves to even. Anything else, and any value outside
// -32768..32767 after rounding, is a failure (nullopt).
std::optional<std::int16_t> TextToInteger(std::string_view text);

}  // namespace scrivlet
