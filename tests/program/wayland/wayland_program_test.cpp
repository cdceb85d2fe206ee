// The whole program on a Wayland desktop (headless sway): the real scrivlet,
// native on Wayland, draws its sample picture into the Wayland-native paint
// program `drawing`, started by `scrivlet --start` or by F7 bound in sway,
// stopped by `scrivlet --abort`; every dot lands and nothing else shows.

#include <gtest/gtest.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "child_process.h"
#include "dot_pattern.h"
#include "poll_for.h"
#include "sway_stage.h"
#include "wayland_session.h"
#include "window/core/form1_layout.h"
#include "window/core/window_texts.h"
#include "window_places.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;
namespace layout = scrivlet::layout;

// The window's defaults but a coarser step: a ninth of the dots, each
// confirmed on the screen, keeps the test within its time on a busy machine.
constexpr DrawSettings kSettings{6, 1, 200, kFalse};
constexpr milliseconds kDrawingTimeout{120000};

// The window's sample picture as the plotters see it at the default
// threshold: dark where (R+G+B)/3 is not above 200.
PatternPicture Sample() {
  const QImage image(QStringLiteral(SCRIVLET_SAMPLE_PICTURE));
  return {image.width(), image.height(),
          [image](std::int32_t x, std::int32_t y) {
            const QRgb pixel = image.pixel(x, y);
            return (qRed(pixel) + qGreen(pixel) + qBlue(pixel)) / 3 <= 200;
          }};
}

enum class Trigger : std::uint8_t { Command, SwayBinding };

struct DrawCase {
  const char* name;
  PlotMode mode;
  Trigger trigger;
  friend void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }
};

class WaylandStageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseWaylandSession(FixtureSessionFile());
    stage_ = std::make_unique<SwayStage>(SCRIVLET_EXECUTABLE);
    // F7 as a user binds it in sway's configuration.
    Swaymsg("bindsym F7 exec " + stage_->Executable() + " --start");
  }
  void TearDown() override {
    stage_.reset();
    RunToEnd({"swaymsg", "unbindsym F7"});
  }

  // Types the coarseness into its box on the settings tab, as a user would.
  void UseSettings() const {
    stage_->ClickSetting(layout::kText2);
    ASSERT_EQ(RunToEnd({"wtype", "-k", "End", "-k", "BackSpace", "-k",
                        "BackSpace", "-k", "BackSpace", "6"})
                  .exit_code,
              0);
    stage_->WaitForInputHandled();
  }

  void Press(Trigger trigger, const char* key) const {
    if (trigger == Trigger::SwayBinding) {
      ASSERT_EQ(RunToEnd({"wtype", "-k", key}).exit_code, 0);
      return;
    }
    const Finished sent =
        stage_->Scrivlet({std::string(key) == "F7" ? "--start" : "--abort"});
    ASSERT_EQ(sent.exit_code, 0) << sent.output;
  }

  bool WaitForCaption(bool idle) const {
    return PollFor(
        [&] { return (stage_->Caption() == texts::kCaption) == idle; },
        kDrawingTimeout, milliseconds(50));
  }

  CanvasCheck Check(const std::vector<ScreenPoint>& dots) const {
    // The pointer off the canvas, so that only the paint shows.
    stage_->MoveTo({stage_->Canvas().left + stage_->Canvas().width + 40, 5});
    return CheckWhenLanded(
        [&](ScreenRect area) { return stage_->Capture(area); }, dots, 0xFFFFFFU,
        4);
  }

  std::unique_ptr<SwayStage> stage_;
};

class WaylandProgramTest : public WaylandStageTest,
                           public ::testing::WithParamInterface<DrawCase> {};

TEST_P(WaylandProgramTest, EveryDotOfTheSampleLandsAndNothingElse) {
  const DrawCase& c = GetParam();
  DrawSettings settings = kSettings;
  if (c.mode == PlotMode::Relative) {
    // Choosing relative mode sets its own magnification, 2.
    stage_->ClickSetting(layout::kOption1Relative);
    settings.Magnification = 2;
  }
  UseSettings();
  const ScreenPoint origin{stage_->Canvas().left + 20,
                           stage_->Canvas().top + 20};
  stage_->MoveTo(origin);
  Press(c.trigger, "F7");
  ASSERT_TRUE(WaitForCaption(false)) << "the drawing did not start";
  ASSERT_TRUE(WaitForCaption(true)) << "the drawing did not end";
  const auto dots = ExpectedDots(Sample(), settings, c.mode, origin);
  const CanvasCheck check = Check(dots);
  EXPECT_EQ(check.landed, check.expected)
      << "missing: " << Describe(check.missing);
  EXPECT_EQ(check.stray, 0)
      << "strays: " << Describe(check.strays) << " canvas at "
      << stage_->Canvas().left << "," << stage_->Canvas().top;
}

INSTANTIATE_TEST_SUITE_P(
    Both, WaylandProgramTest,
    ::testing::Values(DrawCase{"AbsoluteByCommand", PlotMode::Absolute,
                               Trigger::Command},
                      DrawCase{"RelativeBySwayKey", PlotMode::Relative,
                               Trigger::SwayBinding}),
    [](const auto& test) { return std::string(test.param.name); });

// By command only: F8 bound in sway runs the same command, and a command
// run by sway reaches the program in the relative drawing above.
TEST_F(WaylandStageTest, AbortStopsTheDrawingWithNoButtonLeftDown) {
  UseSettings();
  const ScreenPoint origin{stage_->Canvas().left + 20,
                           stage_->Canvas().top + 20};
  stage_->MoveTo(origin);
  Press(Trigger::Command, "F7");
  ASSERT_TRUE(WaitForCaption(false));
  ASSERT_TRUE(PollFor([&] { return CaptionProgress(stage_->Caption()) >= 5; },
                      kDrawingTimeout, milliseconds(50)));
  // A start while drawing is ignored, as F7 would be.
  const Finished again = stage_->Scrivlet({"--start"});
  EXPECT_NE(again.output.find("無視"), std::string::npos) << again.output;
  Press(Trigger::Command, "F8");
  // Stopped at once, not run to its end.
  EXPECT_TRUE(PollFor([&] { return stage_->Caption() == texts::kCaption; },
                      milliseconds(3000), milliseconds(50)));
  ASSERT_TRUE(WaitForCaption(true));
  const auto dots =
      ExpectedDots(Sample(), kSettings, PlotMode::Absolute, origin);
  const CanvasCheck check = Check(dots);
  EXPECT_GT(check.landed, 0);
  EXPECT_LT(check.landed, check.expected) << "the drawing was not stopped";
  // A button left down would have drawn lines on the way off the canvas.
  EXPECT_EQ(check.stray, 0) << "strays: " << Describe(check.strays);
}

TEST(WaylandCompositorDeath, ProgramExitsCleanlyWhenItDiesMidDrawing) {
  const PrivateSway sway;
  UseWaylandSession(sway.StateFile());
  const std::string dir = std::filesystem::path(sway.StateFile()).parent_path();
  const std::string log = dir + "/scrivlet.log";
  std::filesystem::permissions(dir, std::filesystem::perms::others_all,
                               std::filesystem::perm_options::add);
  const std::string program = ReachableExecutable(SCRIVLET_EXECUTABLE, dir);
  ChildProcess scrivlet(
      AsSessionUser({"sh", "-c", R"(exec "$0" >"$1" 2>&1)", program, log}),
      {{"QT_QPA_PLATFORM=wayland"}, false, {}});
  const auto start = AsSessionUser({program, "--start"});
  ASSERT_TRUE(PollFor([&] { return RunToEnd(start).exit_code == 0; },
                      milliseconds(20000), milliseconds(100)));
  ASSERT_TRUE(PollFor(
      [&] {
        const auto window = FindSwayWindow("scrivlet");
        return window && CaptionProgress(window->title) >= 0;
      },
      milliseconds(20000), milliseconds(50)));
  sway.Kill();
  const bool ended = PollFor([&] { return scrivlet.HasExited(); },
                             milliseconds(15000), milliseconds(50));
  EXPECT_TRUE(ended) << "hung after the compositor died";
  if (!ended) {
    scrivlet.Stop();
    return;
  }
  const int status = scrivlet.Wait();
  std::ifstream in(log);
  const std::string output((std::istreambuf_iterator<char>(in)),
                           std::istreambuf_iterator<char>());
  EXPECT_LT(status, 128) << "killed by a signal\n" << output;
  EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << output;
  EXPECT_EQ(output.find("runtime error"), std::string::npos) << output;
}

}  // namespace
}  // namespace scrivlet::testing
