#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/checked_math.h"
#include "engine/plotter.h"
#include "fake_desktop.h"
#include "fake_picture.h"
#include "mouse_events.h"

namespace scrivlet::testing {
namespace {

// A desktop twice 65535 pixels wide and high maps pixel p to p / 2, so
// every odd pixel lands on a half and shows the rounding.
constexpr DesktopArea kHalvingDesktop{0, 0, 131070, 131070};

TEST(DrawAbsolute, SendsMoveDownUpPerDarkSampleRoundingHalvesToEven) {
  struct Case {
    const char* name;
    bool drag;
    Events expected;
  };
  // Dots at picture (0,0) and (1,1), magnification 2, pointer at (1,3):
  // screen (1,3) and (3,5) become 0.5->0, 1.5->2 and 1.5->2, 2.5->2.
  const Case cases[] = {
      {"click",
       false,
       {AbsMove(0, 2), AbsDown(0, 2), AbsUp(0, 2), AbsMove(2, 2), AbsDown(2, 2),
        AbsUp(2, 2)}},
      {"drag one unit down",
       true,
       {AbsMove(0, 2), AbsDown(0, 2), AbsMove(0, 3), AbsUp(0, 3), AbsMove(2, 2),
        AbsDown(2, 2), AbsMove(2, 3), AbsUp(2, 3)}},
  };
  // The origin counts from the desktop area's corner, also on a second
  // monitor left of and above the primary one.
  const std::pair<DesktopArea, ScreenPoint> desktops[] = {
      {kHalvingDesktop, {1, 3}}, {{-100, -50, 131070, 131070}, {-99, -47}}};
  for (const Case& c : cases) {
    for (const auto& [area, cursor] : desktops) {
      SCOPED_TRACE(::testing::Message() << c.name << " from " << area.left);
      FakeDesktop desktop(area, cursor);
      const FakePicture picture({"#.", ".#"});
      EXPECT_EQ(DrawAbsolute(desktop, picture, Settings(1, 2, 200, c.drag)),
                PlotEnd::Completed);
      EXPECT_EQ(desktop.events(), c.expected);
    }
  }
}

TEST(DrawAbsolute, GridEndsAreInclusiveAndOutsideReadsWhite) {
  struct Case {
    const char* name;
    std::int16_t coarseness;
    std::int16_t threshold;
    std::size_t dots;
  };
  // A white 10 x 4 box: columns 0,2,..,10 and rows 0,2,4 with step 2.
  const Case cases[] = {
      {"white is light at 200", 2, 200, 0},
      {"white is dark at 255, box edge included", 2, 255, 18},
      {"step 3 reaches 9 and 3", 3, 255, 8},
      {"negative step with positive end draws nothing", -2, 255, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    const FakePicture picture(10, 4, kWhite);
    DrawAbsolute(desktop, picture, Settings(c.coarseness, 1, c.threshold));
    EXPECT_EQ(desktop.events().size(), 3 * c.dots);
  }
}

TEST(DrawAbsolute, SendsNoDotOffTheDesktop) {
  struct Case {
    const char* name;
    ScreenPoint cursor;
    std::int16_t magnification;
    std::size_t dots;
  };
  // A dark 3 x 3 picture on a 1920 x 1080 desktop.
  const Case cases[] = {
      {"all on the desktop", {100, 100}, 5, 9},
      {"last column and row past the right and bottom", {1910, 1070}, 5, 4},
      {"exactly on the last pixel", {1909, 1069}, 5, 9},
      {"negative magnification past the left and top", {5, 5}, -5, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop({0, 0, 1920, 1080}, c.cursor);
    const FakePicture picture({"###", "###", "###"});
    EXPECT_EQ(DrawAbsolute(desktop, picture, Settings(1, c.magnification, 200)),
              PlotEnd::Completed);
    EXPECT_EQ(desktop.events().size(), 3 * c.dots);
  }
}

TEST(DrawAbsolute, OverflowEndsTheDrawingWhereItOccurs) {
  FakeDesktop desktop({0, 0, 65535, 65535}, {0, 0});
  const FakePicture picture({"###"});
  // 2 * 20000 leaves 16 bits in the third column.
  EXPECT_THROW(DrawAbsolute(desktop, picture, Settings(1, 20000, 200)),
               OverflowError);
  EXPECT_EQ(desktop.events().size(), 3U * 2U);
}

TEST(DrawAbsolute, AnEmptyDesktopIsAnErrorNotASilentNothing) {
  FakeDesktop desktop({0, 0, 0, 1080});
  const FakePicture picture({"#"});
  EXPECT_THROW(DrawAbsolute(desktop, picture, Settings(1, 1, 200)),
               FloatingPointError);
  EXPECT_TRUE(desktop.events().empty());
}

TEST(DrawAbsolute, RefusesAZeroStepInsteadOfLoopingForever) {
  FakeDesktop desktop;
  const FakePicture picture({"#"});
  EXPECT_THROW(DrawAbsolute(desktop, picture, Settings(0, 1, 200)), DrawError);
  EXPECT_TRUE(desktop.events().empty());
}

}  // namespace
}  // namespace scrivlet::testing
