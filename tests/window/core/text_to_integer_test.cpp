// The number boxes' conversion: decimal whole numbers in the 16-bit range,
// surrounding blanks and a sign accepted, a fraction rounded half to even;
// anything else fails.

#include "window/core/text_to_integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace scrivlet {
namespace {

TEST(TextToIntegerTest, ConvertsWholeNumbersAndRoundsHalfToEven) {
  const std::vector<std::pair<std::string, std::int16_t>> conversions{
      {"200", 200},  {"-5", -5},       {"+7", 7},         {"-0", 0},
      {"007", 7},    {" 7 ", 7},       {"\t-3\t", -3},    {"2.5", 2},
      {"3.5", 4},    {"-2.5", -2},     {"-3.5", -4},      {"2.4999", 2},
      {"2.5001", 3}, {"2.50000", 2},   {".5", 0},         {".51", 1},
      {"7.", 7},     {"32767", 32767}, {"-32768", -32768}};
  for (const auto& [text, value] : conversions) {
    EXPECT_EQ(TextToInteger(text), value) << "\"" << text << "\"";
  }
  // At the edges of the range.
  EXPECT_EQ(TextToInteger("000000000032767"), 32767);
  EXPECT_EQ(TextToInteger("32767.4"), 32767);
  EXPECT_EQ(TextToInteger("-32768.5"), -32768);
}

TEST(TextToIntegerTest, AnythingElseFails) {
  const std::vector<std::string> texts{
      "",  "  ", "abc", "40000", "32768", "-32769", "12abc", "- 5", "1 2",
      "+", "-",  ".",   "1.2.3", "1e3",   "0x10",   "1,000", "++1", "１"};
  for (const std::string& text : texts) {
    EXPECT_EQ(TextToInteger(text), std::nullopt) << "\"" << text << "\"";
  }
  EXPECT_EQ(TextToInteger("32767.5"), std::nullopt);
  EXPECT_EQ(TextToInteger("-32768.51"), std::nullopt);
  EXPECT_EQ(TextToInteger("99999999999999999999"), std::nullopt);
  EXPECT_EQ(TextToInteger(std::string("1\0", 2)), std::nullopt);
}

}  // namespace
}  // namespace scrivlet
