#include "window/core/text_to_integer.h"

#include <cstddef>

namespace scrivlet {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

std::size_t CountDigits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsDigit(text[n])) {
    ++n;
  }
  return n;
}

// Whether the dropped fraction digits round the whole part up, halves to
// even. Works on the digits themselves so that no binary fraction can tip a
// half either way.
bool RoundsUp(std::string_view fraction, bool whole_is_odd) {
  if (fraction.empty() || fraction.front() < '5') {
    return false;
  }
  if (fraction.front() > '5') {
    return true;
  }
  for (const char c : fraction.substr(1)) {
    if (c != '0') {
      return true;
    }
  }
  return whole_is_odd;
}

}  // namespace

std::optional<std::int16_t> TextToInteger(std::string_view text) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t whole_digits = CountDigits(text);
  std::string_view whole = text.substr(0, whole_digits);
  std::string_view fraction;
  text.remove_prefix(whole_digits);
  if (!text.empty() && text.front() == '.') {
    text.remove_prefix(1);
    fraction = text.substr(0, CountDigits(text));
    text.remove_prefix(fraction.size());
  }
  if (!text.empty() || (whole.empty() && fraction.empty())) {
    return std::nullopt;
  }

  while (!whole.empty() && whole.front() == '0') {
    whole.remove_prefix(1);
  }
  constexpr std::int32_t kLargestMagnitude = 32768;
  constexpr std::size_t kMaxDigits = 5;
  if (whole.size() > kMaxDigits) {
    return std::nullopt;
  }
  std::int32_t magnitude = 0;
  for (const char c : whole) {
    magnitude = magnitude * 10 + (c - '0');
  }
  if (RoundsUp(fraction, magnitude % 2 != 0)) {
    ++magnitude;
  }
  const std::int32_t value = negative ? -magnitude : magnitude;
  if (value < -kLargestMagnitude || value > kLargestMagnitude - 1) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace scrivlet
