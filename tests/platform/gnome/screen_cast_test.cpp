// What GNOME's screen cast shows: colours read out of each byte order the
// stream may negotiate, a region cut out of padded rows and partly off the
// frame, the primary monitor's logical pixels and its stream's pixels for
// scaled and turned monitors, and its lagging cursor against the moves
// Scrivlet made itself; each worked by hand.

#include <gtest/gtest.h>
#include <spa/param/video/raw.h>

#include <array>
#include <functional>
#include <optional>

#include "platform/gnome/cast_frame.h"
#include "platform/gnome/monitor_frames.h"
#include "platform/gnome/pointer_follower.h"

namespace scrivlet {
namespace {

TEST(CastFrame, ReadsEachByteOrderAsScreenColours) {
  const std::array<std::uint8_t, 4> bytes{0x11, 0x22, 0x33, 0x44};
  struct Case {
    std::uint32_t format;
    std::optional<COLORREF> colour;
  };
  for (const Case& c : {Case{SPA_VIDEO_FORMAT_BGRx, 0x112233},
                        Case{SPA_VIDEO_FORMAT_BGRA, 0x112233},
                        Case{SPA_VIDEO_FORMAT_RGBx, 0x332211},
                        Case{SPA_VIDEO_FORMAT_RGBA, 0x332211},
                        Case{SPA_VIDEO_FORMAT_RGB, std::nullopt}}) {
    const CastFrame frame{c.format, 1, 1, 4, bytes.data(), bytes.size()};
    EXPECT_EQ(CastFrameRegion(frame, {0, 0, 1, 1}).At({0, 0}), c.colour)
        << c.format;
  }
}

TEST(CastFrame, CutsARegionOutOfPaddedRows) {
  // 2 x 2 pixels, rows of 12 bytes; blue is the first byte in BGRx.
  const std::array<std::uint8_t, 24> bytes{
      1, 0, 0, 0, 2, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE,
      3, 0, 0, 0, 4, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
  const CastFrame frame{SPA_VIDEO_FORMAT_BGRx, 2,           2, 12,
                        bytes.data(),          bytes.size()};
  const ScreenImage image = CastFrameRegion(frame, {1, 1, 2, 2});
  EXPECT_EQ(image.At({1, 1}), COLORREF{4} << 16U);
  EXPECT_EQ(image.At({2, 1}), std::nullopt);
  EXPECT_EQ(image.At({1, 2}), std::nullopt);
}

TEST(MonitorFrames, LogicalPixelsMapOntoTheStreamsAndBack) {
  struct Case {
    const char* name;
    MonitorFrames frames;
    DesktopArea logical;
    ScreenPoint at;   // a logical pixel
    double stream_x;  // its corner in the stream
    double stream_y;
    ScreenPoint inside;   // a stream pixel inside it, not its corner
    ScreenRect area;      // a logical area
    ScreenRect streamed;  // the stream pixels that show it
  };
  // A row a line.
  // clang-format off
  const std::array cases{
      Case{"as it is", FramesOf(1280, 800, 1, 0), {0, 0, 1280, 800},
           {10, 20}, 10, 20, {10, 20}, {10, 20, 3, 2}, {10, 20, 3, 2}},
      Case{"scale 2, turned 90 degrees", FramesOf(1280, 800, 2, 1),
           {0, 0, 400, 640},
           {10, 20}, 20, 40, {21, 41}, {10, 20, 3, 2}, {20, 40, 6, 4}},
      Case{"scale 1.5", FramesOf(1920, 1200, 1.5, 0), {0, 0, 1280, 800},
           {1, 3}, 1.5, 4.5, {2, 5}, {1, 1, 2, 2}, {1, 1, 4, 4}},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(LogicalArea(c.frames), c.logical) << c.name;
    const StreamPoint aim = ToStream(c.at, c.frames);
    EXPECT_DOUBLE_EQ(aim.x, c.stream_x) << c.name;
    EXPECT_DOUBLE_EQ(aim.y, c.stream_y) << c.name;
    EXPECT_EQ(ToLogical(c.inside, c.frames), c.at) << c.name;
    EXPECT_EQ(ToStream(c.area, c.frames), c.streamed) << c.name;
  }
}

// Each logical pixel reads the stream pixel at its centre: at scale 1.5,
// logical 1 and 2 are stream 2 and 3 (centres 2.25 and 3.75).
TEST(MonitorFrames, ALogicalReadSamplesEachPixelsCentre) {
  const MonitorFrames frames = FramesOf(1920, 1200, 1.5, 0);
  ScreenImage stream = UnreadScreenImage({1, 1, 4, 4});
  for (std::int32_t y = 1; y < 5; ++y) {
    for (std::int32_t x = 1; x < 5; ++x) {
      stream.pixels[static_cast<std::size_t>(y - 1) * 4 +
                    static_cast<std::size_t>(x - 1)] =
          static_cast<COLORREF>(10 * y + x);
    }
  }
  const ScreenImage logical = ToLogical(stream, {1, 1, 2, 2}, frames);
  ASSERT_EQ(logical.area, (ScreenRect{1, 1, 2, 2}));
  EXPECT_EQ(logical.pixels,
            (std::vector<std::optional<COLORREF>>{22, 23, 32, 33}));
}

TEST(PointerFollower, OwnMovesHoldUntilTheStreamCatchesUpOrTheUserMoves) {
  using Shown = PointerFollower::Shown;
  using std::chrono::milliseconds;
  const auto t0 = PointerFollower::Clock::time_point{} + milliseconds(10'000);
  const Shown old{{5, 5}, 3};
  const std::optional<Shown> none;
  const std::optional<ScreenPoint> nowhere;
  const auto to = [&](ScreenPoint p) {
    return [=](PointerFollower& f) { f.MovedTo(p, old, t0); };
  };
  const auto by = [&](std::int32_t dx, std::optional<Shown> from) {
    return [=](PointerFollower& f) {
      f.MovedBy(dx, 3, {0, 0, 1280, 800}, from, t0);
    };
  };
  struct Case {
    const char* name;
    std::function<void(PointerFollower&)> moves;
    std::optional<Shown> shown;  // at t0 + 100 ms
    std::optional<Shown> later;  // at t0 + 100 ms + the stream's lag
    std::optional<ScreenPoint> first;
    std::optional<ScreenPoint> then;
  };
  // clang-format off
  const std::array cases{
      Case{"nothing shown yet", {}, none, none, nowhere, nowhere},
      Case{"the stream alone", {}, old, old, ScreenPoint{5, 5}, ScreenPoint{5, 5}},
      Case{"own move, stream silent", to({100, 90}), old, old, ScreenPoint{100, 90}, ScreenPoint{100, 90}},
      Case{"own move, a stale frame in flight, then the user moves", to({100, 90}),
           Shown{{5, 5}, 4}, Shown{{7, 7}, 5}, ScreenPoint{100, 90}, ScreenPoint{7, 7}},
      Case{"relative from the stream's place, stopped at the edges", by(-10, old), old, old,
           ScreenPoint{0, 8}, ScreenPoint{0, 8}},
      Case{"relative without a known start", by(4, none), none, none, nowhere, nowhere},
  };
  // clang-format on
  for (const Case& c : cases) {
    PointerFollower follower;
    if (c.moves) {
      c.moves(follower);
    }
    const auto at = t0 + milliseconds(100);
    EXPECT_EQ(follower.Position(c.shown, at), c.first) << c.name;
    EXPECT_EQ(follower.Position(c.later, at + PointerFollower::kStreamLag),
              c.then)
        << c.name;
  }
}

}  // namespace
}  // namespace scrivlet
