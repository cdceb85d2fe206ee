// Drawing with the target's own inks: which ink each sample gets, the order
// the inks go in, and the events of a drawing ink by ink. Answers worked
// out by hand.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/ditherer.h"
#include "engine/draw_plan.h"
#include "engine/plotter.h"
#include "engine/sample_grid.h"
#include "fake_desktop.h"
#include "fake_picture.h"
#include "mouse_events.h"

namespace scrivlet::testing {
namespace {

// 0x00BBGGRR.
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00FF00;
constexpr COLORREF kBlue = 0xFF0000;
constexpr COLORREF kBlack = 0x000000;

COLORREF Rgb(int r, int g, int b) {
  return static_cast<COLORREF>(r | (g << 8) | (b << 16));
}

TEST(InkMapping, EachDarkSampleTakesTheNearestInkByColour) {
  struct Case {
    const char* name;
    DitherStyle style;
    InkList inks;
    std::vector<COLORREF> row;
    std::string expected;
  };
  const InkList red_green_black = {{{}, kRed}, {{}, kGreen}, {{}, kBlack}};
  const Case cases[] = {
      // Red and green are equally bright: only the colour tells them apart.
      {"by colour, not brightness",
       DitherStyle::Off,
       red_green_black,
       {Rgb(200, 30, 30), Rgb(30, 200, 30), Rgb(40, 40, 40)},
       "#12"},
      // (255,128,128): 2 * 128^2 from red, more from the others.
      {"a light tint is its ink's, not paper, below the limit",
       DitherStyle::Off,
       red_green_black,
       {Rgb(255, 128, 128), Rgb(240, 240, 240)},
       "#."},
      {"ordered dithering takes the nearest ink too",
       DitherStyle::Bayer,
       red_green_black,
       {Rgb(200, 30, 30), Rgb(30, 200, 30), Rgb(250, 250, 250)},
       "#1."},
      // (255,100,100) is red (20000 against white's 48050); its error
      // (0,100,100) * 7/16 makes the next (255,143.75,143.75), nearer
      // white (24753) than red (41328).
      {"diffusion carries each channel's error",
       DitherStyle::FloydSteinberg,
       {{{}, kRed}},
       {Rgb(255, 100, 100), Rgb(255, 100, 100)},
       "#."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Palette palette = InksOnWhite(c.inks);
    const SampleColours samples{static_cast<int>(c.row.size()), 1, c.row};
    EXPECT_EQ(Text(Dither(samples, c.style, palette, 200), palette),
              std::vector<std::string>{c.expected});
  }
}

TEST(InkMapping, InksGoDarkestFirstAndOnlyThoseWithSamples) {
  // Red and blue are equally bright: they keep the registration order.
  const InkList inks = {
      {{1, 1}, kRed}, {{2, 1}, kBlue}, {{3, 1}, kBlack}, {{4, 1}, kGreen}};
  EXPECT_EQ(InkOrder(inks), (std::vector<std::size_t>{2, 0, 1, 3}));

  FakePicture picture({"..", ".."});
  picture.SetPixel(0, 0, kBlue);
  picture.SetPixel(1, 0, kBlack);
  picture.SetPixel(1, 1, kBlue);
  DrawSettings settings = Settings(1, 1);
  settings.Inks = inks;
  const DrawPlan plan = PlanDrawing(picture, settings, 200);
  ASSERT_EQ(plan.passes.size(), 2U);
  EXPECT_EQ(plan.passes[0].ink, 2U);
  EXPECT_EQ(plan.passes[0].plan.strokes,
            (std::vector<Stroke>{{{1, 0}, {1, 0}}}));
  EXPECT_EQ(plan.passes[1].ink, 1U);
  EXPECT_EQ(plan.passes[1].colour, kBlue);
  EXPECT_EQ(plan.passes[1].plan.strokes,
            (std::vector<Stroke>{{{0, 0}, {0, 0}}, {{1, 1}, {1, 1}}}));
  EXPECT_TRUE(plan.plan.strokes.empty());
  EXPECT_EQ(plan.Marks(), 3U);
}

// Absolute events are pixels here: 65535 pixels span 0..65535.
constexpr DesktopArea kIdentityDesktop{0, 0, 65535, 65535};

TEST(InkMapping, DrawsInkByInkEachAfterAClickOnItsSwatch) {
  FakeDesktop desktop(kIdentityDesktop, {100, 100});
  FakePicture picture({"#", "."});
  picture.SetPixel(0, 1, kRed);
  DrawSettings settings = Settings(1, 2, 200, true);
  settings.Inks = {{{7, 8}, kRed}, {{9, 8}, kBlack}};
  ASSERT_EQ(DrawAbsolute(desktop, picture, settings), PlotEnd::Completed);
  const Events expected = {
      AbsMove(9, 8),     AbsDown(9, 8),     AbsUp(9, 8),  // black's swatch
      AbsMove(100, 100), AbsDown(100, 100), AbsMove(100, 101), AbsUp(100, 101),
      AbsMove(7, 8),     AbsDown(7, 8),     AbsUp(7, 8),  // red's swatch
      AbsMove(100, 102), AbsDown(100, 102), AbsMove(100, 103), AbsUp(100, 103)};
  EXPECT_EQ(desktop.events(), expected);
  EXPECT_EQ(desktop.inks_chosen, (std::vector<std::pair<std::size_t, COLORREF>>{
                                     {0, kBlack}, {7, kRed}}));
}

TEST(InkMapping, RefusedBeforeAnyEventWhereNoSwatchCanBeClicked) {
  FakePicture picture({"#"});
  DrawSettings settings = Settings(1, 1);
  settings.Inks = {{{70000, 8}, kBlack}};
  FakeDesktop off_desktop(kIdentityDesktop);
  EXPECT_THROW(DrawAbsolute(off_desktop, picture, settings), SettingsError);
  settings.Inks = {{{7, 8}, kBlack}};
  FakeDesktop relative;
  EXPECT_THROW(DrawRelative(relative, picture, settings),
               ColourNeedsAbsoluteError);
  settings.Strokes = true;
  EXPECT_THROW(DrawRelative(relative, picture, settings),
               ColourNeedsAbsoluteError);
  EXPECT_TRUE(off_desktop.events().empty());
  EXPECT_TRUE(relative.events().empty());
}

TEST(InkMapping, F8StopsBeforeTheNextSwatch) {
  FakeDesktop desktop(kIdentityDesktop, {100, 100});
  FakePicture picture({"#", "."});
  picture.SetPixel(0, 1, kRed);
  DrawSettings settings = Settings(1, 1);
  settings.Inks = {{{7, 8}, kRed}, {{9, 8}, kBlack}};
  // F8 goes down once black's one dot is sent.
  desktop.AfterEvent(5,
                     [&] { desktop.AnswerNextQuery(VK_F8, kFreshKeyPress); });
  EXPECT_EQ(DrawAbsolute(desktop, picture, settings), PlotEnd::Aborted);
  EXPECT_EQ(desktop.events().size(), 6U);
  EXPECT_EQ(desktop.inks_chosen.size(), 1U);
}

}  // namespace
}  // namespace scrivlet::testing
