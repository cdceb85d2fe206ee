// Fuzzes the settings boxes' text-to-number conversion with any text at all
// and checks it against an independent reading of the same text.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "window/core/text_to_integer.h"

namespace {

void Require(bool holds, const char* property) {
  if (!holds) {
    std::fprintf(stderr, "property broken: %s\n", property);
    std::abort();
  }
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The accepted form, written as a pattern rather than a scanner: a sign, a
// whole part and a fraction, with at least one digit.
bool LooksLikeANumber(std::string_view text) {
  static const std::regex kNumber(R"([+-]?([0-9]+\.?[0-9]*|\.[0-9]+))");
  return std::regex_match(text.begin(), text.end(), kNumber);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int16_t> value = scrivlet::TextToInteger(text);

  const std::string_view core = Trimmed(text);
  const bool number = LooksLikeANumber(core);
  Require(!value || number, "only numbers are accepted");

  if (number) {
    // strtold reads the same decimal independently; its rounding error is
    // far below the margins used here.
    // Texts within its error of a range end are left to the unit tests.
    constexpr long double kError = 1e-9L;
    const long double read = std::strtold(std::string(core).c_str(), nullptr);
    if (value) {
      Require(std::fabs(read - *value) <= 0.5L + kError,
              "the value is the text rounded to the nearest whole number");
    } else {
      Require(read < -32768.5L + kError || read > 32767.5L - kError,
              "every number in the 16-bit range is accepted");
    }
  }

  if (value) {
    Require(scrivlet::TextToInteger(std::to_string(*value)) == value,
            "an accepted value written out reads back the same");
    Require(scrivlet::TextToInteger(" \t" + text + "\t ") == value,
            "surrounding blanks do not matter");
  }
  return 0;
}
