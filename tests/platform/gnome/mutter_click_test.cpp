// GNOME's remote-desktop route on a real mutter (headless, one virtual
// monitor of 1280x800, scripts/gnomesession.sh): what every Wayland route
// must do (CheckRoute), reading back through the screen cast, and the
// plotter's dots land where the pointer another session moved stands,
// each confirmed in the screen cast, and so do its lines.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "app/open_desktop.h"
#include "delivery/delivery_pacer.h"
#include "dot_pattern.h"
#include "engine/plotter.h"
#include "fake_picture.h"
#include "platform/desktop.h"
#include "platform/desktop_backends.h"
#include "recorder_stage.h"

namespace scrivlet {
namespace {

using Recorder = testing::ClickRecorder;

TEST(MutterClicks, TheRouteLandsAndReadsBack) {
  const auto hand = OpenGnomeRemoteDesktop();
  ASSERT_EQ(hand->DesktopBounds(), (DesktopArea{0, 0, 1280, 800}));
  // Mutter hands programs whole-pixel positions.
  testing::CheckRoute(*hand, true);
}

TEST(MutterClicks, ThePlotterLandsAtTheAimedPixels) {
  const auto hand = OpenGnomeRemoteDesktop();
  Recorder recorder(*hand);

  // The whole absolute plotter, behind the delivery pacer as the program
  // runs it, draws every dark sample at its place from where the user put
  // the pointer, and the pacer sees each dot land: the pointer and the
  // dots are read from the screen cast at their exact pixels.
  const ScreenPoint corner{200, 100};
  // The user's hand, as another session, puts the pointer on the corner.
  // It stays: headless mutter shows no pointer once no pointing device is
  // left.
  testing::MoveTo(*hand, corner);
  const auto desktop = OpenDesktop();
  testing::PointerShowsAt(*desktop, corner);
  const testing::FakePicture picture({"#.#.#", ".#..#", "#####"});
  const DrawSettings settings{1, 4, 200, kFalse};
  std::set<std::pair<int, int>> want;
  for (const ScreenPoint dot : testing::ExpectedInk(
           picture, settings, testing::PlotMode::Absolute, corner)) {
    want.emplace(dot.x, dot.y);
  }
  desktop->DrawingStarted();
  DrawAbsolute(*desktop, picture, settings, nullptr);
  desktop->DrawingEnded();
  std::set<std::pair<int, int>> pressed;
  int presses = 0;
  for (const testing::Click& click : recorder.Clicks(SIZE_MAX, 1000)) {
    if (click.press) {
      pressed.emplace(click.at.x, click.at.y);
      ++presses;
    }
  }
  EXPECT_EQ(pressed, want);
  const auto* pacer = dynamic_cast<const DeliveryPacer*>(desktop.get());
  ASSERT_NE(pacer, nullptr);
  EXPECT_EQ(pacer->stats().confirmed, static_cast<int>(want.size()));
  EXPECT_EQ(pacer->stats().safe_paced, 0);
  // A dot pressed twice is one the pacer sent again: its press had not
  // shown yet, or was lost.
  EXPECT_LE(presses, static_cast<int>(want.size()) + pacer->stats().repaired);

  // The line style, below the dots.
  EXPECT_EQ(testing::StrokeFaults(*desktop, recorder, {200, 200}), "");
}

}  // namespace
}  // namespace scrivlet
