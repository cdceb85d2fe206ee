#include "platform/key_latch.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

enum class Step { Press, Release, Query };

struct LatchCase {
  std::string name;
  bool down_at_start;
  std::vector<Step> steps;
  std::vector<std::uint16_t> words;  // one per Query step
  friend void PrintTo(const LatchCase& c, std::ostream* os) { *os << c.name; }
};

class KeyLatchTest : public ::testing::TestWithParam<LatchCase> {};

TEST_P(KeyLatchTest, ReportsTheWindowsKeyStateWord) {
  KeyLatch latch;
  latch.SetDown(GetParam().down_at_start);
  std::vector<std::uint16_t> words;
  for (const Step step : GetParam().steps) {
    switch (step) {
      case Step::Press:
        latch.Press();
        break;
      case Step::Release:
        latch.Release();
        break;
      case Step::Query:
        words.push_back(latch.Query());
        break;
    }
  }
  EXPECT_EQ(words, GetParam().words);
}

using enum Step;

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeyLatchTest,
    ::testing::Values(
        LatchCase{"Untouched", false, {Query}, {0x0000}},
        LatchCase{"FreshPress", false, {Press, Query, Query}, {0x8001, 0x8000}},
        LatchCase{"TapBetweenQueries",
                  false,
                  {Press, Release, Query, Query},
                  {0x0001, 0x0000}},
        LatchCase{"RepeatIsNoNewPress",
                  false,
                  {Press, Query, Press, Press, Query},
                  {0x8001, 0x8000}},
        LatchCase{"HeldAtStartIsNoPress", true, {Query}, {0x8000}},
        LatchCase{"SecondPressAfterRelease",
                  false,
                  {Press, Query, Release, Press, Query},
                  {0x8001, 0x8001}},
        LatchCase{"ReleasedNow",
                  false,
                  {Press, Query, Release, Query},
                  {0x8001, 0x0000}}),
    [](const auto& instance) { return instance.param.name; });

}  // namespace
}  // namespace scrivlet
