// The whole program, end to end: the real scrivlet executable on the test
// desktop, set up through its window with the pointer and the keyboard as a
// user would, draws into mtpaint; the canvas must then show exactly the dots
// that the picture and the settings ask for.

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dot_pattern.h"
#include "input_mark.h"
#include "paint_program.h"
#include "poll_for.h"
#include "program_pictures.h"
#include "window/core/form1_layout.h"
#include "window/core/window_texts.h"
#include "window_places.h"
#include "x_windows.h"

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

// Grey levels in diagonal bands: black, a grey of brightness 150 (light at
// a threshold of 100, dark at the default 200), and white.
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

// The real scrivlet executable, driven as a user drives it: xdotool moves
// its window and the pointer, clicks, types and presses keys; the window is
// watched through its caption. Stopped by process id.
class ScrivletProgram {
 public:
  // Starts it and waits for its window, then moves the window so that its
  // inner area starts at `inner_origin`.
  explicit ScrivletProgram(ScreenPoint inner_origin)
      : process_(std::vector<std::string>{SCRIVLET_EXECUTABLE}) {
    if (!display_) {
      throw std::runtime_error("Cannot open the X display");
    }
    caption_atom_ = XInternAtom(display(), "_NET_WM_NAME", False);
    std::vector<Window> found;
    if (!PollFor(
            [&] {
              if (process_.HasExited()) {
                throw std::runtime_error("scrivlet ended before its window");
              }
              found = FindWindows({"--pid", std::to_string(process_.pid())});
              return !found.empty();
            },
            milliseconds(20000), milliseconds(50))) {
      throw std::runtime_error("scrivlet showed no window");
    }
    window_ = found.front();
    PollFor([&] { return Caption() == texts::kCaption; }, milliseconds(2000));
    XSelectInput(display(), window_, PropertyChangeMask);
    // Window managers differ in whether a move places the frame or the
    // inner area there; aim again by what the first move did.
    ScreenPoint asked = inner_origin;
    for (int attempt = 0; attempt < 3; ++attempt) {
      Xdotool({"windowmove", std::to_string(window_), std::to_string(asked.x),
               std::to_string(asked.y)});
      if (PollFor([&] { return InnerOrigin() == inner_origin; },
                  milliseconds(1000))) {
        return;
      }
      const ScreenPoint at = InnerOrigin();
      asked = {asked.x + inner_origin.x - at.x,
               asked.y + inner_origin.y - at.y};
    }
    throw std::runtime_error("The window manager did not move the window");
  }

  [[nodiscard]] Display* display() const { return display_.get(); }
  // The centre of a control (window_places.h), and of tab `index`.
  [[nodiscard]] ScreenPoint CentreOf(const std::vector<TwipRect>& path) const {
    return ControlCentre(InnerOrigin(), path);
  }
  [[nodiscard]] ScreenPoint TabCentre(int index) const {
    return testing::TabCentre(InnerOrigin(), InnerWidth(), index);
  }
  [[nodiscard]] ScreenPoint InnerOrigin() const {
    return RootPosition(display(), window_);
  }
  [[nodiscard]] int InnerWidth() const {
    XWindowAttributes inner{};
    XGetWindowAttributes(display(), window_, &inner);
    return inner.width;
  }

  void Click(ScreenPoint at) const {
    Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "click",
             "1"});
  }
  // Clicks into a text box, selects its text and types over it.
  void TypeInto(ScreenPoint box, const std::string& text) const {
    Xdotool({"mousemove", std::to_string(box.x), std::to_string(box.y), "click",
             "1", "key", "ctrl+a", "type", "--delay", "20", text});
  }
  // Puts the pointer at `at` and presses F7 there, held long enough for the
  // 10 ms polling timer to see it, then watches the caption until the
  // drawing is over: false if it is not within `timeout`.
  bool DrawAt(ScreenPoint at, milliseconds timeout) {
    CountCaptionChanges();
    caption_changes_ = 0;
    Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "keydown",
             "F7", "sleep", "0.1", "keyup", "F7"});
    return WaitForCaptionReturn(timeout);
  }
  // After DrawAt's press: waits until the caption shows at least `percent`.
  [[nodiscard]] bool WaitForProgress(int percent, milliseconds timeout) const {
    return PollFor([&] { return CaptionProgress(Caption()) >= percent; },
                   timeout);
  }
  // Sends `signal` and waits up to `timeout` for the end: the exit status,
  // or nullopt if it still runs.
  std::optional<int> EndWith(int signal, milliseconds timeout) {
    if (::kill(process_.pid(), signal) != 0) {
      throw std::runtime_error("Cannot signal scrivlet");
    }
    return process_.WaitFor(timeout);
  }

 private:
  [[nodiscard]] std::string Caption() const {
    return TextProperty(display(), window_, caption_atom_);
  }
  void CountCaptionChanges() {
    XSync(display(), False);
    while (XPending(display()) > 0) {
      XEvent event{};
      XNextEvent(display(), &event);
      if (event.type == PropertyNotify &&
          event.xproperty.atom == caption_atom_) {
        ++caption_changes_;
      }
    }
  }
  // The caption changes only while a drawing runs: once it has changed, the
  // plain caption means the drawing is over.
  bool WaitForCaptionReturn(milliseconds timeout) {
    return PollFor(
        [&] {
          CountCaptionChanges();
          return caption_changes_ > 0 && Caption() == texts::kCaption;
        },
        timeout);
  }

  std::unique_ptr<Display, decltype(&XCloseDisplay)> display_{
      XOpenDisplay(nullptr), XCloseDisplay};
  ChildProcess process_;
  Window window_ = 0;
  Atom caption_atom_ = None;
  int caption_changes_ = 0;
};

// A paint program and the program beside it, with a folder for pictures.
class ProgramTest : public ::testing::Test {
 protected:
  // Starts mtpaint, then the program beside it.
  void Open() {
    paint_ = std::make_unique<PaintProgram>("mtpaint");
    program_ = std::make_unique<ScrivletProgram>(kWindowAt);
    mark_ = std::make_unique<InputMark>(
        program_->InnerOrigin(), program_->InnerWidth(),
        [this](ScreenPoint at) { program_->Click(at); },
        [this](ScreenRect area) { return paint_->Capture(area); });
  }

  // Writes a PNG of `shade` and drops it onto Picture1 as a file manager
  // would.
  void DropPicture(std::int32_t width, std::int32_t height,
                   const Shade& shade) {
    const std::string path = SavePng(pictures_, width, height, shade);
    program_->Click(program_->TabCentre(0));
    const ScreenPoint box =
        program_->CentreOf({layout::kSSTab1, layout::kPicture1});
    const Finished drop = RunToEnd(
        {SCRIVLET_XDND_DROP, std::to_string(box.x), std::to_string(box.y),
         pictures_.filePath("drop").toStdString(), path});
    ASSERT_EQ(drop.exit_code, 0) << drop.output;
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

  QTemporaryDir pictures_;
  std::unique_ptr<PaintProgram> paint_;
  std::unique_ptr<ScrivletProgram> program_;
  std::unique_ptr<InputMark> mark_;
};

TEST_F(ProgramTest, TheDrawingFollowsTheBoxesTypedIn) {
  Open();
  constexpr std::int32_t kWidth = 60;
  constexpr std::int32_t kHeight = 30;
  DropPicture(kWidth, kHeight, Bands);
  ShowSettings();
  program_->TypeInto(Box(layout::kText1), "2");
  program_->TypeInto(Box(layout::kText2), "3");
  program_->TypeInto(Box(layout::kText4), "100");
  mark_->Wait();  // F7 reaches the program another way than the keys

  const ScreenPoint origin = CanvasPoint(20, 20);
  const std::vector<ScreenPoint> dots =
      ExpectedDots(InBox(kWidth, kHeight, Bands, 100),
                   DrawSettings{3, 2, 100, kFalse}, PlotMode::Absolute, origin);
  EXPECT_GT(dots.size(), 50U);
  ASSERT_TRUE(program_->DrawAt(origin, kDrawingTimeout))
      << "the caption never came back";
  ExpectDrawn(dots);
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
      mark_->Wait();
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
