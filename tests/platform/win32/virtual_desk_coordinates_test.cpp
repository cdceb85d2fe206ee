// The coordinate sent for a pixel must land on that pixel under every mapping
// Windows has been seen to use for MOUSEEVENTF_VIRTUALDESK, for every pixel of
// desktops of many sizes, including the far edges.

#include "platform/win32/virtual_desk_coordinates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
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
// three monitors side by side.
TEST(VirtualDeskCoordinatesTest, EveryPixelLandsOnItselfUnderEveryMapping) {
  for (const std::int32_t extent :
       {1, 2, 3, 480, 599, 768, 1024, 1080, 1366, 1920, 2160, 2561, 3840, 5760,
        7680, 11520, 32767}) {
    for (std::int32_t pixel = 0; pixel < extent; ++pixel) {
      const std::int32_t coordinate = PixelToVirtualDesk(pixel, extent);
      ASSERT_GE(coordinate, 0);
      ASSERT_LE(coordinate, 65535);
      for (const Mapping& mapping : Mappings()) {
        ASSERT_EQ(mapping.pixel(coordinate, extent), pixel)
            << mapping.name << ", pixel " << pixel << " of " << extent;
      }
    }
  }
}

// Virtual desktops of several monitors: the primary one starts at (0, 0), so
// monitors to its left or above it give negative coordinates.
TEST(AbsoluteToVirtualDeskTest, EveryPixelOfEveryMonitorIsHitExactly) {
  const Mapping& windows = Mappings().front();  // floor over 65536
  for (const DesktopArea area :
       {DesktopArea{0, 0, 1920, 1080}, DesktopArea{-1920, 0, 3840, 1080},
        DesktopArea{-1280, -1024, 3200, 2104},
        DesktopArea{-2560, -360, 7040, 1800}}) {
    for (std::int32_t x = area.left; x < area.left + area.width; ++x) {
      for (const std::int32_t y :
           {area.top, area.top + area.height / 2, area.top + area.height - 1}) {
        const ScreenPoint sent = AbsoluteToVirtualDesk(
            testing::EngineCoordinate(x - area.left, area.width),
            testing::EngineCoordinate(y - area.top, area.height), area);
        ASSERT_EQ(area.left + windows.pixel(sent.x, area.width), x)
            << area.left << "," << area.top;
        ASSERT_EQ(area.top + windows.pixel(sent.y, area.height), y)
            << area.left << "," << area.top;
      }
    }
  }
}

}  // namespace
}  // namespace scrivlet
