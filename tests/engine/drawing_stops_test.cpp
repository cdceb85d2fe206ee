// How a drawing stops early, the same for both plotters: F8 at any moment,
// the desktop changing size under it, and the desktop failing mid-dot.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/drawing_watch.h"
#include "engine/plotter.h"
#include "fake_desktop.h"
#include "fake_picture.h"

namespace scrivlet::testing {
namespace {

using Plotter = PlotEnd (*)(PlatformInput&, const PictureView&,
                            const DrawSettings&, DrawProgress*);

struct Mode {
  const char* name;
  Plotter draw;
  std::size_t first_column_events;  // four dots, and relative's move back
};
const Mode kModes[] = {{"absolute", DrawAbsolute, 12},
                       {"relative", DrawRelative, 13}};

constexpr DrawSettings kSettings{1, 1, 200, kFalse};

// One tall column of four dots, then a second column of four: a press in
// mid-column must not wait for the column's end.
const FakePicture& TwoColumns() {
  static const FakePicture picture({"##", "##", "##", "##"});
  return picture;
}

std::vector<MouseEventRecord> FullDrawing(const Mode& mode) {
  FakeDesktop desktop;
  mode.draw(desktop, TwoColumns(), kSettings, nullptr);
  return desktop.events();
}

TEST(DrawingStops, AnyF8PressStopsBeforeTheNextDot) {
  struct Case {
    const char* name;
    std::uint16_t word;
    std::size_t after_event;  // the press comes after this many events
    PlotEnd end;
    std::size_t events_kept;  // 0: the whole drawing
  };
  // A dot is a move, a press and a release.
  const Case cases[] = {
      {"pressed and held, mid-column", 0x8001, 6, PlotEnd::Aborted, 6},
      {"tapped and released, mid-column", 0x0001, 3, PlotEnd::Aborted, 3},
      {"pressed mid-dot: the dot is finished", 0x8001, 4, PlotEnd::Aborted, 6},
      {"held since before, no new press", 0x8000, 3, PlotEnd::Completed, 0},
      // Pressed before the drawing: forgotten.
      {"still down as F7 starts the drawing", 0x8001, 0, PlotEnd::Completed, 0},
  };
  for (const Mode& mode : kModes) {
    const std::vector<MouseEventRecord> full = FullDrawing(mode);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(mode.name) + ": " + c.name);
      FakeDesktop desktop;
      if (c.after_event == 0) {
        desktop.AnswerNextQuery(VK_F8, c.word);
      } else {
        desktop.AfterEvent(c.after_event - 1, [&desktop, &c] {
          desktop.AnswerNextQuery(VK_F8, c.word);
        });
      }
      EXPECT_EQ(mode.draw(desktop, TwoColumns(), kSettings, nullptr), c.end);
      const std::size_t kept = c.events_kept == 0 ? full.size() : c.events_kept;
      EXPECT_EQ(desktop.events(), std::vector<MouseEventRecord>(
                                      full.begin(), full.begin() + kept));
    }
  }
}

TEST(DrawingStops, ADesktopSizeChangeEndsTheDrawingAfterItsColumn) {
  for (const Mode& mode : kModes) {
    SCOPED_TRACE(mode.name);
    FakeDesktop desktop;
    desktop.AfterEvent(0, [&desktop] { desktop.SetBounds({0, 0, 1280, 720}); });
    EXPECT_THROW(mode.draw(desktop, TwoColumns(), kSettings, nullptr),
                 DesktopChangedError);
    const std::vector<MouseEventRecord> full = FullDrawing(mode);
    EXPECT_EQ(desktop.events(),
              std::vector<MouseEventRecord>(
                  full.begin(), full.begin() + mode.first_column_events));
    EXPECT_FALSE(desktop.left_button_down());
  }
}

TEST(DrawingStops, ADesktopFailureMidDotStillReleasesTheButton) {
  // Event 2 is the release of a click, or the drag move after the press.
  for (const Mode& mode : kModes) {
    for (const std::int16_t drag : {kFalse, kTrue}) {
      SCOPED_TRACE(std::string(mode.name) + (drag != kFalse ? ", drag" : ""));
      FakeDesktop desktop;
      desktop.FailEventAt(2);
      EXPECT_THROW(
          mode.draw(desktop, FakePicture({"#"}), {1, 1, 200, drag}, nullptr),
          PlatformError);
      EXPECT_NE(desktop.events().back().flags & MOUSEEVENTF_LEFTUP, 0U);
      EXPECT_FALSE(desktop.left_button_down());
    }
  }
}

}  // namespace
}  // namespace scrivlet::testing
