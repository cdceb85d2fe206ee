// The whole program, end to end: the real scrivlet executable on the test
// desktop, set up through its window with the pointer and the keyboard as a
// user would, draws into mtpaint; the canvas must then show exactly the dots
// that the picture and the settings ask for.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dot_pattern.h"
#include "paint_program.h"
#include "scrivlet_program.h"
#include "window/core/form1_layout.h"
#include "x_windows.h"
#include "xdnd_drop.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;
namespace layout = scrivlet::layout;

// Right of the paint program's window and below its tool palette; the parts
// of the window a user touches are on the screen.
constexpr ScreenPoint kWindowAt{1003, 260};
// Picture1's inner area when it shows a picture no larger than it: the
// plotters walk all of it.
constexpr std::int32_t kBoxWidth = 346;
constexpr std::int32_t kBoxHeight = 93;
constexpr milliseconds kDrawingTimeout{60000};

// The grey level 0 (black) to 255 (white) of each pixel.
using Shade = std::function<int(std::int32_t x, std::int32_t y)>;

// Grey levels in diagonal bands: black, a grey of brightness 150 (dark at
// the relative plotter's 200, light at a threshold of 100), and white.
int Bands(std::int32_t x, std::int32_t y) {
  switch ((x + y) / 5 % 3) {
    case 0:
      return 0;
    case 1:
      return 150;
    default:
      return 255;
  }
}

// The picture as the plotters see it in the box, dark where the shade is
// not above `limit`, white beyond the picture.
PatternPicture InBox(std::int32_t width, std::int32_t height,
                     const Shade& shade, int limit) {
  return {kBoxWidth, kBoxHeight, [=](std::int32_t x, std::int32_t y) {
            return x < width && y < height && shade(x, y) <= limit;
          }};
}

// A private runtime directory, as a desktop session gives each user: the
// program claims its command channel there and refuses to start without.
class RuntimeDirectory : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    setenv("XDG_RUNTIME_DIR", dir_.path().toUtf8().constData(), 1);
  }

 private:
  QTemporaryDir dir_;
};
[[maybe_unused]] ::testing::Environment* const kRuntimeDirectory =
    ::testing::AddGlobalTestEnvironment(new RuntimeDirectory);

Shade Ink(const PatternPicture& picture) {
  return [&picture](std::int32_t x, std::int32_t y) {
    return picture.Dark(x, y) ? 0 : 255;
  };
}

// A paint program and the program beside it, with a folder for pictures.
class ProgramTest : public ::testing::Test {
 protected:
  // Starts mtpaint, then the program beside it.
  void Open() {
    paint_ = std::make_unique<PaintProgram>("mtpaint");
    program_ =
        std::make_unique<ScrivletProgram>(SCRIVLET_EXECUTABLE, kWindowAt);
  }

  // Writes a PNG of `shade` and drops it onto Picture1 as a file manager
  // would.
  void DropPicture(std::int32_t width, std::int32_t height,
                   const Shade& shade) {
    ASSERT_TRUE(pictures_.isValid());
    const QString path =
        pictures_.filePath(QString("picture%1.png").arg(++pictures_made_));
    QImage image(width, height, QImage::Format_RGB32);
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        const int grey = shade(x, y);
        image.setPixel(x, y, qRgb(grey, grey, grey));
      }
    }
    ASSERT_TRUE(image.save(path, "PNG"));
    program_->Click(program_->TabCentre(0));
    ASSERT_TRUE(
        DropUris(program_->display(), program_->window(),
                 program_->CentreOf({layout::kSSTab1, layout::kPicture1}),
                 {QUrl::fromLocalFile(path).toEncoded().toStdString()}));
  }

  ScreenPoint Box(const TwipRect& control) const {
    return program_->CentreOf({layout::kSSTab1, layout::kFrame1, control});
  }

  void ShowSettings() const { program_->Click(program_->TabCentre(1)); }

  ScreenPoint CanvasPoint(std::int32_t dx, std::int32_t dy) const {
    return {paint_->canvas().left + dx, paint_->canvas().top + dy};
  }

  // Waits until every inked pixel shows (the last one may still be on its
  // way); around them, the canvas must show those and nothing else.
  void ExpectDrawn(const std::vector<ScreenPoint>& ink) const {
    EXPECT_TRUE(Holds(paint_->canvas(), BoundingRect(ink, 4)))
        << "the drawing does not fit the canvas in view";
    const CanvasCheck check =
        CheckWhenLanded([&](ScreenRect area) { return paint_->Capture(area); },
                        ink, paint_->paper(), 4);
    EXPECT_EQ(check.landed, check.expected)
        << "missing, first few: " << Describe(check.missing);
    EXPECT_EQ(check.stray, 0) << "stray, first few: " << Describe(check.strays);
  }

  const PatternPicture mixed_ = MixedPicture(300, 90);
  QTemporaryDir pictures_;
  int pictures_made_ = 0;
  std::unique_ptr<PaintProgram> paint_;
  std::unique_ptr<ScrivletProgram> program_;
};

struct SettingsCase {
  const char* name;
  bool relative_drag;  // click 相対座標 and tick ドラッグ入力
  std::vector<std::pair<TwipRect, std::string>> typed;
  DrawSettings settings;  // what the window should then hold

  friend void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.name;
  }
};

class SettingsTest : public ProgramTest,
                     public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsTest, TheDrawingFollowsTheWindow) {
  const SettingsCase& test = GetParam();
  Open();
  constexpr std::int32_t kWidth = 60;
  constexpr std::int32_t kHeight = 30;
  DropPicture(kWidth, kHeight, Bands);

  ShowSettings();
  if (test.relative_drag) {
    program_->Click(Box(layout::kOption1Relative));
    program_->Click(Box(layout::kCheck2));
  }
  for (const auto& [box, text] : test.typed) {
    program_->TypeInto(Box(box), text);
  }

  const PlotMode mode =
      test.relative_drag ? PlotMode::Relative : PlotMode::Absolute;
  // The relative plotter's limit is fixed; the threshold box is for the
  // absolute one only.
  const int limit = test.relative_drag ? 200 : test.settings.Threshold;
  const ScreenPoint origin = CanvasPoint(20, 20);
  const std::vector<ScreenPoint> dots = ExpectedDots(
      InBox(kWidth, kHeight, Bands, limit), test.settings, mode, origin);
  EXPECT_GT(dots.size(), 50U);
  // In relative mode the one-unit drag inks the pixel below each dot too.
  std::vector<ScreenPoint> ink = dots;
  if (test.relative_drag) {
    for (const ScreenPoint& dot : dots) {
      ink.push_back({dot.x, dot.y + 1});
    }
  }

  ASSERT_TRUE(program_->DrawAt(origin, kDrawingTimeout))
      << "the caption never came back";
  ExpectDrawn(ink);
}

INSTANTIATE_TEST_SUITE_P(
    Program, SettingsTest,
    ::testing::Values(SettingsCase{"TypedIntoTheBoxes",
                                   false,
                                   {{layout::kText1, "2"},
                                    {layout::kText2, "3"},
                                    {layout::kText4, "100"}},
                                   DrawSettings{3, 2, 100, kFalse}},
                      SettingsCase{"RelativePresetWithDragInput",
                                   true,
                                   {{layout::kText4, "100"}},
                                   DrawSettings{2, 2, 100, kTrue}}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST_F(ProgramTest, F8StopsALongDrawingAndF7DrawsAgain) {
  // mtpaint hides its palette on F8, which would move the canvas under the
  // second drawing; F8 is Scrivlet's own and must not reach it.
  Open();
  DropPicture(300, 90, Ink(mixed_));
  ASSERT_FALSE(HasFailure());
  const ScreenPoint origin = CanvasPoint(20, 20);
  program_->DrawAt(origin, milliseconds(0));
  ASSERT_TRUE(program_->WaitForProgress(20, kDrawingTimeout));
  const std::vector<ScreenPoint> dots =
      ExpectedDots(InBox(300, 90, Ink(mixed_), 0),
                   DrawSettings{2, 1, 200, kFalse}, PlotMode::Absolute, origin);
  ASSERT_TRUE(program_->TapF8UntilStopped(milliseconds(10000)))
      << "F8 did not stop the drawing";

  EXPECT_FALSE(LeftButtonDown(program_->display()))
      << "the left button was left down";

  // The dots in drawing order up to the tap were drawn, then nothing, even
  // in mid-column.
  std::this_thread::sleep_for(milliseconds(500));
  const ScreenImage canvas = paint_->Capture(BoundingRect(dots, 4));
  EXPECT_EQ(CheckCanvas(canvas, dots, paint_->paper()).stray, 0);
  const auto inked = [&](const ScreenPoint& dot) {
    return canvas.At(dot) != paint_->paper();
  };
  const auto first_gap = std::find_if_not(dots.begin(), dots.end(), inked);
  ASSERT_NE(first_gap, dots.begin()) << "nothing was drawn";
  ASSERT_NE(first_gap, dots.end()) << "the drawing was not stopped";
  EXPECT_EQ(std::find_if(first_gap, dots.end(), inked), dots.end())
      << "dots were drawn after the stop";

  // A coarser second drawing below the first one.
  ShowSettings();
  program_->TypeInto(Box(layout::kText2), "6");
  const ScreenPoint again = CanvasPoint(20, 130);
  const std::vector<ScreenPoint> next =
      ExpectedDots(InBox(300, 90, Ink(mixed_), 0),
                   DrawSettings{6, 1, 200, kFalse}, PlotMode::Absolute, again);
  ASSERT_TRUE(program_->DrawAt(again, kDrawingTimeout));
  ExpectDrawn(next);
}

TEST_F(ProgramTest, ASignalEndsTheProgramWithTheButtonUp) {
  struct Case {
    const char* name;
    int signal;
    bool mid_drawing;
  };
  // Drag input holds the button down for most of each dot's time.
  const Case cases[] = {
      {"SIGTERM mid-drawing", SIGTERM, true},
      {"SIGHUP mid-drawing", SIGHUP, true},
      {"SIGINT while idle", SIGINT, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    if (c.mid_drawing) {
      DropPicture(300, 90, [](std::int32_t, std::int32_t) { return 0; });
      ShowSettings();
      program_->Click(Box(layout::kCheck2));
      program_->DrawAt(CanvasPoint(20, 20), milliseconds(0));
      ASSERT_TRUE(program_->WaitForProgress(10, kDrawingTimeout));
    }
    Display* display = program_->display();
    const std::optional<int> status =
        program_->EndWith(c.signal, milliseconds(5000));
    ASSERT_TRUE(status.has_value()) << "still running";
    EXPECT_EQ(*status, 128 + c.signal);
    EXPECT_FALSE(LeftButtonDown(display)) << "the left button was left down";
    Xdotool({"mouseup", "1"});
    program_.reset();
    paint_.reset();
  }
}

TEST(ProgramWithoutADisplay, SaysSoAndExitsWithStatus1) {
  const char* const cases[] = {"DISPLAY=", "DISPLAY=:4093"};
  for (const char* display : cases) {
    SCOPED_TRACE(display);
    ChildProcess program(
        {SCRIVLET_EXECUTABLE},
        {{display, "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}, true, {}});
    const std::optional<int> status = program.WaitFor(milliseconds(10000));
    ASSERT_TRUE(status.has_value()) << "still running";
    EXPECT_EQ(*status, 1);
  }
}

}  // namespace
}  // namespace scrivlet::testing
