#include "engine/colour.h"

#include <gtest/gtest.h>

namespace scrivlet {
namespace {

TEST(Colour, DarkMeansNotAboveTheLimit) {
  struct Case {
    COLORREF colour;
    double limit;
    bool dark;
  };
  const Case cases[] = {
      {0xC8C8C8, 200.0, true},   // 600
      {0xC8C8C9, 200.0, false},  // 601
      {0x0000FF, 85.0, true},    // 255 / 3 == 85 exactly
      // Each channel counts once.
      {0x0000FF, 84.0, false},
      {0x00FF00, 84.0, false},
      {0xFF0000, 84.0, false},
      {0x000100, 0.0, false},
      {0x000000, 0.0, true},
      {0x000000, -1.0, false},  // a negative threshold draws nothing
      // The invalid colour reads as white, not as a negative number.
      {kInvalidColour, 254.0, false},
      {kInvalidColour, 255.0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << std::hex << c.colour << " at " << c.limit);
    EXPECT_EQ(IsDark(c.colour, c.limit), c.dark);
  }
}

}  // namespace
}  // namespace scrivlet
