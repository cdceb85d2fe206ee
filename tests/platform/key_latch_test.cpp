#include "platform/key_latch.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

// Up, Down, DownAgain, TappedUp: polls that find the key up, down with no
// key-down since, down with one, and up with one (Win32). The press and
// release notifications (X11) are the desktop contract's cases; here the
// polls and the state at start, which the contract cannot set up.
enum class Step { Query, Up, Down, DownAgain, TappedUp };

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
      case Step::Query:
        words.push_back(latch.Query());
        break;
      case Step::Up:
        latch.Polled(false, false);
        words.push_back(latch.Query());
        break;
      case Step::Down:
        latch.Polled(true, false);
        words.push_back(latch.Query());
        break;
      case Step::DownAgain:
        latch.Polled(true, true);
        words.push_back(latch.Query());
        break;
      case Step::TappedUp:
        latch.Polled(false, true);
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
        LatchCase{"HeldAtStartIsNoPress", true, {Query}, {0x8000}},
        LatchCase{"PolledPressThenRepeat",
                  false,
                  {DownAgain, DownAgain, Down},
                  {0x8001, 0x8000, 0x8000}},
        LatchCase{"PolledTap", false, {TappedUp, Up}, {0x0001, 0x0000}},
        LatchCase{"PolledHeldAtStartIsNoPress", false, {Down}, {0x8000}},
        LatchCase{"PolledPressAfterRelease",
                  false,
                  {DownAgain, Up, DownAgain},
                  {0x8001, 0x0000, 0x8001}}),
    [](const auto& instance) { return instance.param.name; });

}  // namespace
}  // namespace scrivlet
