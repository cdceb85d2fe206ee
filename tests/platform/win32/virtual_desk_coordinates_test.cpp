// The coordinate sent for a pixel must land on that pixel under every mapping
// Windows has been seen to use for MOUSEEVENTF_VIRTUALDESK, for every pixel of
// desktops of many sizes, including the far edges.

#include "platform/win32/virtual_desk_coordinates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "engine_coordinate.h"

namespace scrivlet {
namespace {

struct Mapping {
  std::string name;
  std::function<std::int64_t(std::int64_t coordinate, std::int64_t extent)>
      pixel;
};

const std::vector<Mapping>& Mappings() {
  static const std::vector<Mapping> mappings = {
      {"floor over 65536",
       [](std::int64_t c, std::int64_t n) { return c * n / 65536; }},
      {"floor over 65535",
       [](std::int64_t c, std::int64_t n) { return c * n / 65535; }},
      {"nearest over extent - 1",
       [](std::int64_t c, std::int64_t n) {
         return (2 * c * (n - 1) + 65535) / (std::int64_t{2} * 65535);
       }},
  };
  return mappings;
}

// Single monitors from tiny to 8K, odd sizes, and virtual desktops of two or
// three monitors side by side. The primary one starts at (0, 0), so monitors
// to its left or above it give negative coordinates. A pixel shorter than
// wide (from two up), so that the sides cannot be mixed up.
TEST(VirtualDeskCoordinatesTest, EveryPixelLandsOnItselfUnderEveryMapping) {
  for (const std::int32_t width :
       {1, 2, 3, 480, 599, 768, 1024, 1080, 1366, 1920, 2160, 2561, 3840, 5760,
        7680, 11520, 32767}) {
    const std::int32_t height = std::max(width - 1, 1);
    const DesktopArea area{-width / 2, -height / 3, width, height};
    for (std::int32_t x = 0; x < width; ++x) {
      const std::int32_t y = height - 1 - x % height;  // every row
      const ScreenPoint sent =
          AbsoluteToVirtualDesk(testing::EngineCoordinate(x, width),
                                testing::EngineCoordinate(y, height), area);
      for (const auto& [coordinate, pixel, extent] :
           {std::tuple{sent.x, x, width}, std::tuple{sent.y, y, height}}) {
        ASSERT_GE(coordinate, 0);
        ASSERT_LE(coordinate, 65535);
        for (const Mapping& mapping : Mappings()) {
          ASSERT_EQ(mapping.pixel(coordinate, extent), pixel)
              << mapping.name << ", pixel " << pixel << " of " << extent;
        }
      }
    }
  }
}

}  // namespace
}  // namespace scrivlet
