#include "desktop_contract.h"

#include <string>
#include <vector>

#include "engine_coordinate.h"

namespace scrivlet::testing {
namespace {

TEST_P(DesktopContractTest, AbsoluteMovesLandOnTheAimedPixel) {
  PlatformInput& desktop = rig_->desktop();
  const DesktopArea area = desktop.DesktopBounds();
  const std::int32_t right = area.left + area.width - 1;
  const std::int32_t bottom = area.top + area.height - 1;
  std::vector<ScreenPoint> aims = {{area.left, area.top},
                                   {right, area.top},
                                   {area.left, bottom},
                                   {right, bottom}};
  // Every column along one row and every row along one column: an off-by-one
  // mapping shows up somewhere along them.
  for (std::int32_t x = area.left; x <= right; ++x) {
    aims.push_back({x, area.top + area.height / 3});
  }
  for (std::int32_t y = area.top; y <= bottom; ++y) {
    aims.push_back({area.left + area.width / 3, y});
  }
  for (const ScreenPoint& aim : aims) {
    desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                        EngineCoordinate(aim.x - area.left, area.width),
                        EngineCoordinate(aim.y - area.top, area.height));
    desktop.Flush();
    const ScreenPoint landed = desktop.GetCursorPos();
    ASSERT_EQ(landed, aim) << "aimed at (" << aim.x << ", " << aim.y
                           << "), landed at (" << landed.x << ", " << landed.y
                           << ")";
  }
  // Beyond the range: stopped at the desktop's edge.
  desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 70000, -500);
  desktop.Flush();
  EXPECT_EQ(desktop.GetCursorPos(), (ScreenPoint{right, area.top}));
}

// The state word through presses and releases, for both hot keys.
TEST_P(DesktopContractTest, KeyStateWordsFollowTheKeyboard) {
  enum Act : std::uint8_t { Down, Up, Query };
  struct Step {
    Act act;
    std::uint16_t word = 0;  // for Query: what it must answer
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"tap between two queries", {{Down}, {Up}, {Query, 0x0001}, {Query, 0}}},
      {"the keyboard's repeat is no new press",
       {{Down},
        {Query, 0x8001},
        {Down},
        {Down},
        {Query, 0x8000},
        {Up},
        {Query, 0}}},
      {"pressed again after a query saw it up",
       {{Down},
        {Query, 0x8001},
        {Up},
        {Query, 0},
        {Down},
        {Query, 0x8001},
        {Up}}},
  };
  for (const int key : {VK_F7, VK_F8}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (key == VK_F7 ? ", F7" : ", F8"));
      (void)rig_->desktop().GetAsyncKeyState(key);  // forget earlier presses
      for (const Step& step : c.steps) {
        if (step.act == Query) {
          EXPECT_EQ(rig_->desktop().GetAsyncKeyState(key), step.word);
        } else {
          rig_->Key(key, step.act == Down);
        }
      }
    }
  }
}

TEST_P(DesktopContractTest, ScreenReadBackOutsideTheDesktopIsEmpty) {
  const DesktopArea area = rig_->desktop().DesktopBounds();
  EXPECT_EQ(rig_->desktop().ReadScreenPixel(
                {area.left + area.width + 5, area.top + area.height + 5}),
            std::nullopt);
}

TEST_P(DesktopContractTest, ZOrderOfAGoneWindowIsAnErrorAndTheDesktopGoesOn) {
  EXPECT_THROW(
      rig_->desktop().SetWindowPos(rig_->GoneWindow(), ZOrder::Topmost),
      PlatformError);
  EXPECT_NO_THROW((void)rig_->desktop().GetCursorPos());
}

}  // namespace
}  // namespace scrivlet::testing
