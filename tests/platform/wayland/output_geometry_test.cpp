// A monitor's logical size, the layout around outputs, and turning a copy
// of an output's pixels upright, each worked by hand.

#include "platform/output_geometry.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/wayland/output_layout.h"

namespace scrivlet {
namespace {

TEST(OutputGeometry, LogicalSizeTurnsThenDividesByTheScale) {
  struct Case {
    std::int32_t width;
    std::int32_t height;
    double scale;
    std::uint32_t transform;
    LogicalSize logical;
  };
  const std::array cases{
      // Scale 2 and 1.5 and 90 degrees are checked on sway
      // (wayland_outputs_test).
      Case{1280, 800, 2, 7, {400, 640}},     // flipped, 270 degrees
      Case{1920, 1080, 1, 2, {1920, 1080}},  // 180 degrees
      Case{2560, 1440, 0, 0, {2560, 1440}},  // no scale told: 1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToLogicalSize(c.width, c.height, c.scale, c.transform), c.logical)
        << c.width << "x" << c.height << " scale " << c.scale << " transform "
        << c.transform;
  }
}

TEST(OutputGeometry, LayoutEnclosesEveryOutput) {
  EXPECT_EQ(Enclosing({{0, 0, 640, 480}, {640, 0, 320, 240}}),
            (DesktopArea{0, 0, 960, 480}));
  EXPECT_EQ(Enclosing({{0, 0, 640, 480}, {-320, 600, 320, 240}}),
            (DesktopArea{-320, 0, 960, 840}));
  EXPECT_EQ(Enclosing({}), DesktopArea{});
}

// Pixel (2, 0) of a 3x2 image, the top-right one, after each transform.
TEST(OutputGeometry, TransformsMovePixelsAsWlrootsMovesBoxes) {
  // Normal, 90 (the image is 2 wide, 3 high), 180, 270, then flipped and
  // each of those.
  const std::array<ScreenPoint, 8> moved{
      {{2, 0}, {1, 2}, {0, 1}, {0, 0}, {0, 0}, {0, 2}, {2, 1}, {1, 0}}};
  for (std::uint32_t transform = 0; transform < 8; ++transform) {
    const ScreenPoint to = TransformPixel({2, 0}, transform, 3, 2);
    EXPECT_EQ(to, moved[transform]) << "transform " << transform;
    const bool swaps = SwapsSides(transform);
    EXPECT_EQ(TransformPixel(to, InvertTransform(transform), swaps ? 2 : 3,
                             swaps ? 3 : 2),
              (ScreenPoint{2, 0}))
        << "transform " << transform << " undone";
  }
}

// A 3x2 frame of an output turned by 90 degrees, stored upside down:
// upright it is 2x3, and a part of it is cut out at the output's scale.
TEST(OutputGeometry, FramesAreTurnedUprightAndCut) {
  // One byte of each pixel tells it apart: pixel (x, y) as stored is 10y+x.
  std::vector<std::uint8_t> stored(std::size_t{24}, 0);  // 3x2, 4 bytes each
  for (std::uint8_t row = 0; row < 2; ++row) {
    for (std::uint8_t col = 0; col < 3; ++col) {
      // Upside down: the stored row 0 is the memory's last.
      stored[(static_cast<std::size_t>(1 - row) * 3 + col) * 4] =
          static_cast<std::uint8_t>(10 * row + col);
    }
  }
  const ShmFrame frame{1, 3, 2, 12, true, stored.data(), stored.size()};
  std::vector<std::uint8_t> pixels;
  const ShmFrame upright = UprightFrame(frame, 1, pixels);
  ASSERT_EQ(upright.width, 2);
  ASSERT_EQ(upright.height, 3);
  EXPECT_FALSE(upright.y_inverted);
  const auto at = [](const ShmFrame& f, int x, int y) {
    return f.data[static_cast<std::size_t>(y * f.stride + x * 4)];
  };
  // 90 degrees sends (x, y) to (1 - y, x).
  const std::array<std::array<int, 2>, 3> want{{{10, 0}, {11, 1}, {12, 2}}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(at(upright, x, y), want[y][x]) << x << "," << y;
    }
  }
  // As if the output were 1x3 logical pixels, each two frame pixels wide:
  // its bottom one.
  const ShmFrame part = CropFrame(upright, {0, 2, 1, 1}, 1, 3);
  ASSERT_EQ(part.width, 2);
  ASSERT_EQ(part.height, 1);
  EXPECT_EQ(at(part, 0, 0), 12);
  EXPECT_EQ(at(part, 1, 0), 2);
}

}  // namespace
}  // namespace scrivlet
