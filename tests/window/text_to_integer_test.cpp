#include "window/text_to_integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace scrivlet {
namespace {

struct Conversion {
  std::string text;
  std::optional<std::int16_t> value;
};

class TextToIntegerTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(TextToIntegerTest, ConvertsOrFails) {
  EXPECT_EQ(TextToInteger(GetParam().text), GetParam().value)
      << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    WholeNumbers, TextToIntegerTest,
    ::testing::Values(Conversion{"0", 0}, Conversion{"1", 1},
                      Conversion{"200", 200}, Conversion{"-5", -5},
                      Conversion{"+7", 7}, Conversion{"-0", 0},
                      Conversion{"007", 7}, Conversion{"32767", 32767},
                      Conversion{"-32768", -32768},
                      Conversion{"000000000032767", 32767}));

INSTANTIATE_TEST_SUITE_P(Blanks, TextToIntegerTest,
                         ::testing::Values(Conversion{" 7 ", 7},
                                           Conversion{"\t-3\t", -3},
                                           Conversion{"   12", 12},
                                           Conversion{"- 5", std::nullopt},
                                           Conversion{"1 2", std::nullopt},
                                           Conversion{"  ", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    FractionsRoundHalfToEven, TextToIntegerTest,
    ::testing::Values(
        Conversion{"2.5", 2}, Conversion{"3.5", 4}, Conversion{"-2.5", -2},
        Conversion{"-3.5", -4}, Conversion{"2.4999", 2},
        Conversion{"2.5001", 3}, Conversion{"2.50000", 2}, Conversion{"0.5", 0},
        Conversion{".5", 0}, Conversion{".51", 1}, Conversion{"7.", 7},
        Conversion{"-0.4", 0}, Conversion{"32767.4", 32767},
        Conversion{"32767.5", std::nullopt}, Conversion{"-32768.5", -32768},
        Conversion{"-32768.51", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(
    Failures, TextToIntegerTest,
    ::testing::Values(
        Conversion{"", std::nullopt}, Conversion{"abc", std::nullopt},
        Conversion{"40000", std::nullopt}, Conversion{"32768", std::nullopt},
        Conversion{"-32769", std::nullopt},
        Conversion{"99999999999999999999", std::nullopt},
        Conversion{"12abc", std::nullopt}, Conversion{"+", std::nullopt},
        Conversion{"-", std::nullopt}, Conversion{".", std::nullopt},
        Conversion{"1.2.3", std::nullopt}, Conversion{"1e3", std::nullopt},
        Conversion{"0x10", std::nullopt}, Conversion{"1,000", std::nullopt},
        Conversion{"++1", std::nullopt}, Conversion{"１", std::nullopt},
        Conversion{std::string("1\0", 2), std::nullopt}));

}  // namespace
}  // namespace scrivlet
