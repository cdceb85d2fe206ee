// The engine's number rules: checked 16- and 32-bit arithmetic, rounding,
// and when a colour counts as dark.

#include "engine/checked_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/colour.h"

namespace scrivlet {
namespace {

TEST(CheckedMath, SixteenBitOperationsStopAtTheirRange) {
  EXPECT_EQ(CheckedAdd16(32766, 1), 32767);
  EXPECT_THROW(CheckedAdd16(32767, 1), OverflowError);
  EXPECT_EQ(CheckedAdd16(-32767, -1), -32768);
  EXPECT_THROW(CheckedAdd16(-32768, -1), OverflowError);
  EXPECT_EQ(CheckedSub16(0, 32767), -32767);
  EXPECT_THROW(CheckedSub16(0, -32768), OverflowError);
  EXPECT_EQ(CheckedMul16(181, 181), 32761);
  EXPECT_THROW(CheckedMul16(182, 181), OverflowError);
  EXPECT_THROW(CheckedMul16(-1, -32768), OverflowError);
}

TEST(CheckedMath, ThirtyTwoBitOperationsStopAtTheirRange) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(CheckedAdd32(kMax - 1, 1), kMax);
  EXPECT_THROW(CheckedAdd32(kMax, 1), OverflowError);
  EXPECT_THROW(CheckedSub32(-kMax - 1, 1), OverflowError);
  // The absolute plotter's largest safe product: pixel 32768 * 65535.
  EXPECT_EQ(CheckedMul32(32768, 65535), 2147450880);
  EXPECT_THROW(CheckedMul32(32769, 65535), OverflowError);
}

TEST(CheckedMath, RoundsHalvesToEven) {
  EXPECT_EQ(RoundToInt32(0.5), 0);
  EXPECT_EQ(RoundToInt32(1.5), 2);
  EXPECT_EQ(RoundToInt32(2.5), 2);
  EXPECT_EQ(RoundToInt32(3.5), 4);
  EXPECT_EQ(RoundToInt32(-0.5), 0);
  EXPECT_EQ(RoundToInt32(-1.5), -2);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt32(2.4999), 2);
  EXPECT_EQ(RoundToInt32(2.5001), 3);
  EXPECT_EQ(RoundToInt32(-2.5001), -3);
  EXPECT_EQ(RoundToInt32(1e9 + 0.5), 1000000000);
  EXPECT_EQ(RoundToInt32(3447.4140625), 3447);
  EXPECT_EQ(RoundToInt16(346.0), 346);
  EXPECT_EQ(RoundToInt16(32766.5), 32766);
}

TEST(CheckedMath, ConversionsRejectWhatDoesNotFit) {
  EXPECT_EQ(RoundToInt16(32767.49), 32767);
  EXPECT_THROW(RoundToInt16(32767.5), OverflowError);  // even neighbour 32768
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
  EXPECT_THROW(RoundToInt16(-32769.0), OverflowError);
  EXPECT_THROW(RoundToInt32(2147483647.5), OverflowError);
  EXPECT_THROW(RoundToInt32(std::nan("")), FloatingPointError);
  EXPECT_THROW(RoundToInt32(std::numeric_limits<double>::infinity()),
               FloatingPointError);
  EXPECT_THROW(CheckedDivide(1.0, 0.0), FloatingPointError);
  EXPECT_DOUBLE_EQ(CheckedDivide(1.0, 4.0), 0.25);
}

TEST(Colour, DarkMeansNotAboveTheLimit) {
  EXPECT_TRUE(IsDark(0xC8C8C8, 200.0));   // 600
  EXPECT_FALSE(IsDark(0xC8C8C9, 200.0));  // 601
  EXPECT_TRUE(IsDark(0x0000FF, 85.0));    // 255 / 3 == 85 exactly
  // Each channel counts once.
  EXPECT_FALSE(IsDark(0x0000FF, 84.0));
  EXPECT_FALSE(IsDark(0x00FF00, 84.0));
  EXPECT_FALSE(IsDark(0xFF0000, 84.0));
  EXPECT_FALSE(IsDark(0x000100, 0.0));
  EXPECT_TRUE(IsDark(0x000000, 0.0));
  EXPECT_FALSE(IsDark(0x000000, -1.0));  // a negative threshold draws nothing
  // The invalid colour reads as white, not as a negative number.
  EXPECT_FALSE(IsDark(kInvalidColour, 254.0));
  EXPECT_TRUE(IsDark(kInvalidColour, 255.0));
}

}  // namespace
}  // namespace scrivlet
