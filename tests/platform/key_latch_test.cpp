#include "platform/key_latch.h"

#include <gtest/gtest.h>

#include <vector>

namespace scrivlet {
namespace {

// What one poll of the system finds (Win32): down now, and whether a key-down
// came since the previous poll. The press and release notifications (X11)
// are the desktop contract's cases; here the polls and the state at start,
// which the contract cannot set up.
struct Poll {
  bool down;
  bool key_down_came;
};
constexpr Poll kUp{false, false};
constexpr Poll kDown{true, false};
constexpr Poll kDownAgain{true, true};
constexpr Poll kTappedUp{false, true};

TEST(KeyLatchTest, ReportsTheWindowsKeyStateWord) {
  struct Case {
    const char* name;
    bool down_at_start;
    std::vector<Poll> polls;           // none: one query only
    std::vector<std::uint16_t> words;  // the query after each poll
  };
  const Case cases[] = {
      {"untouched", false, {}, {0x0000}},
      {"held at start is no press", true, {}, {0x8000}},
      {"polled press, then repeat",
       false,
       {kDownAgain, kDownAgain, kDown},
       {0x8001, 0x8000, 0x8000}},
      {"polled tap", false, {kTappedUp, kUp}, {0x0001, 0x0000}},
      {"polled held at start is no press", false, {kDown}, {0x8000}},
      {"polled press after a release",
       false,
       {kDownAgain, kUp, kDownAgain},
       {0x8001, 0x0000, 0x8001}},
  };
  for (const Case& c : cases) {
    KeyLatch latch;
    latch.SetDown(c.down_at_start);
    std::vector<std::uint16_t> words;
    if (c.polls.empty()) words.push_back(latch.Query());
    for (const Poll& poll : c.polls) {
      latch.Polled(poll.down, poll.key_down_came);
      words.push_back(latch.Query());
    }
    EXPECT_EQ(words, c.words) << c.name;
  }
}

}  // namespace
}  // namespace scrivlet
