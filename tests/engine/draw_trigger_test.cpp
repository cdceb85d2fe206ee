#include "engine/draw_trigger.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_desktop.h"
#include "fake_picture.h"

namespace scrivlet::testing {
namespace {

class RecordingHost : public DrawHost {
 public:
  explicit RecordingHost(CoordinateMode mode) : mode_(mode) {}
  [[nodiscard]] CoordinateMode SelectedMode() const override { return mode_; }
  void SetTimerEnabled(bool enabled) override { timer.push_back(enabled); }
  void ReportProblem(const std::string& message) override {
    problems.push_back(message);
  }
  void ColumnDone(int /*done*/, int /*total*/) override {}

  std::vector<bool> timer;
  std::vector<std::string> problems;

 private:
  CoordinateMode mode_;
};

constexpr DrawSettings kDefaults{2, 1, 200, kFalse};
constexpr CoordinateMode kAbsolute = CoordinateMode::Absolute;
constexpr CoordinateMode kRelative = CoordinateMode::Relative;

TEST(DrawTrigger, StartsOneDrawingPerFreshF7Press) {
  struct Case {
    const char* name;
    std::vector<std::uint16_t> f7_words;
    int drawings;
  };
  const Case cases[] = {
      {"held across ticks", {0x8001, 0x8000, 0x8000, 0x8000}, 1},
      {"pressed twice", {0x8001, 0x8000, 0x0000, 0x8001}, 2},
      {"tapped between ticks", {0x0001, 0x0000}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    for (std::size_t i = 0; i < c.f7_words.size(); ++i) {
      desktop.ScriptKey(VK_F7, i, c.f7_words[i]);
    }
    const FakePicture picture({"#"});
    RecordingHost host(kAbsolute);
    int drawn = 0;
    for (std::size_t tick = 0; tick < c.f7_words.size(); ++tick) {
      if (DrawTriggerTick(desktop, picture, kDefaults, host) ==
          TickResult::Drawn) {
        ++drawn;
      }
    }
    EXPECT_EQ(drawn, c.drawings);
    EXPECT_EQ(desktop.events().size(), 3U * static_cast<std::size_t>(drawn));
  }
}

TEST(DrawTrigger, RefusesSettingsThatWouldDrawNothing) {
  struct Case {
    const char* name;
    CoordinateMode mode;
    DrawSettings settings;
    const char* says;  // nullptr: draws
  };
  const Case cases[] = {
      {"coarseness 0", kAbsolute, {0, 1, 200, kFalse}, "粗さ"},
      {"negative coarseness", kRelative, {-2, 1, 200, kFalse}, "粗さ"},
      {"negative threshold", kAbsolute, {2, 1, -1, kFalse}, "閾値"},
      {"relative: a fixed threshold", kRelative, {2, 1, -1, kFalse}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop;
    desktop.ScriptKey(VK_F7, 0, 0x8001);
    const FakePicture picture({"#"});
    RecordingHost host(c.mode);
    const TickResult result =
        DrawTriggerTick(desktop, picture, c.settings, host);
    EXPECT_EQ(host.timer, (std::vector<bool>{false, true}));
    if (c.says == nullptr) {
      EXPECT_EQ(result, TickResult::Drawn);
      continue;
    }
    EXPECT_EQ(result, TickResult::Refused);
    EXPECT_TRUE(desktop.events().empty());
    ASSERT_EQ(host.problems.size(), 1U);
    EXPECT_NE(host.problems[0].find(c.says), std::string::npos);
  }
}

TEST(DrawTrigger, ReportsWhyADrawingEndedEarlyAndTheNextF7DrawsAgain) {
  struct Case {
    const char* name;
    CoordinateMode mode;
    DrawSettings settings;
    ScreenPoint cursor;
    std::function<void(FakeDesktop&)> fault;
    const char* says;  // nullptr: an F8 abort, nothing to report
  };
  constexpr DrawSettings kOne{1, 1, 200, kFalse};
  constexpr DrawSettings kHuge{1, 20000, 200, kFalse};
  const auto none = [](FakeDesktop& /*desktop*/) {};
  const auto fail = [](FakeDesktop& desktop) { desktop.FailEventAt(2); };
  const auto resize = [](FakeDesktop& desktop) {
    desktop.AfterEvent(0, [&desktop] { desktop.SetBounds({0, 0, 8, 8}); });
  };
  const auto f8 = [](FakeDesktop& desktop) {
    desktop.AfterEvent(2,
                       [&desktop] { desktop.AnswerNextQuery(VK_F8, 0x8001); });
  };
  // While delivery sends the last dots, after the plotter's own checks.
  const auto late_f8 = [](FakeDesktop& desktop) {
    desktop.on_flush = [&desktop] { desktop.AnswerNextQuery(VK_F8, 0x0001); };
  };
  const auto late_resize = [](FakeDesktop& desktop) {
    desktop.on_flush = [&desktop] { desktop.SetBounds({0, 0, 8, 8}); };
  };
  const Case cases[] = {
      {"16-bit overflow", kAbsolute, kHuge, {}, none, "あふれ"},
      {"F8 at the end", kRelative, kDefaults, {}, late_f8, nullptr},
      {"resized at the end", kAbsolute, kOne, {}, late_resize, "画面の大きさ"},
      {"desktop failure", kRelative, kDefaults, {}, fail, "マウス"},
      {"desktop resized", kAbsolute, kOne, {}, resize, "画面の大きさ"},
      {"pointer at the edge", kRelative, kOne, {0, 1079}, none, "画面の端"},
      {"F8", kAbsolute, kDefaults, {}, f8, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDesktop desktop({0, 0, 1920, 1080}, c.cursor);
    desktop.ScriptKey(VK_F7, 0, 0x8001);
    desktop.ScriptKey(VK_F7, 1, 0x8001);
    c.fault(desktop);
    const FakePicture picture({"###", "###"});
    RecordingHost host(c.mode);
    EXPECT_EQ(DrawTriggerTick(desktop, picture, c.settings, host),
              c.says == nullptr ? TickResult::Aborted : TickResult::Failed);
    ASSERT_EQ(host.problems.size(), c.says == nullptr ? 0U : 1U);
    if (c.says != nullptr) {
      EXPECT_NE(host.problems[0].find(c.says), std::string::npos);
    }
    EXPECT_EQ(host.timer, (std::vector<bool>{false, true}));
    EXPECT_FALSE(desktop.left_button_down());
    EXPECT_EQ(desktop.drawings_started, 1);
    EXPECT_EQ(desktop.drawings_ended, 1);
    // Stopped, or the desktop changed: delivery drops what it holds.
    const bool resized =
        c.says != nullptr && c.says == std::string("画面の大きさ");
    EXPECT_EQ(desktop.drawings_aborted, c.says == nullptr || resized ? 1 : 0);

    desktop.SetBounds({0, 0, 1920, 1080});
    desktop.SetCursor({100, 100});
    desktop.ClearEvents();
    desktop.on_flush = nullptr;
    EXPECT_EQ(DrawTriggerTick(desktop, picture, kDefaults, host),
              TickResult::Drawn);
    EXPECT_FALSE(desktop.events().empty());
  }
}

}  // namespace
}  // namespace scrivlet::testing
