// The draw command's command line: what it refuses as bad usage, and the
// settings a full one asks for.

#include "app/draw_command_line.h"

#include <gtest/gtest.h>

namespace scrivlet {
namespace {

TEST(DrawCommandLine, RefusesBadUsage) {
  struct Case {
    const char* name;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"no picture", {"--drag"}},
      {"two pictures", {"a.png", "b.png"}},
      {"unknown option", {"a.png", "--colour"}},
      {"missing value", {"a.png", "--coarseness"}},
      {"not a number", {"a.png", "--threshold", "2x"}},
      {"beyond 16 bits", {"a.png", "--magnification", "32768"}},
      {"a point without y", {"a.png", "--at", "12"}},
      {"a point with junk", {"a.png", "--at", "1,2,3"}},
      {"a swatch without y", {"a.png", "--swatch", "1"}},
      {"a swatch colour not 6 hex digits", {"a.png", "--swatch", "1,2,fff"}},
      {"a swatch colour not hex", {"a.png", "--swatch", "1,2,00ff0g"}},
      {"swatches in relative mode", {"a.png", "--relative", "--swatch", "1,2"}},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseDrawCommandLine(c.words);
    const auto* error = std::get_if<UsageError>(&parsed);
    ASSERT_NE(error, nullptr) << c.name;
    EXPECT_FALSE(error->message.empty()) << c.name;
  }
}

TEST(DrawCommandLine, TakesEveryOptionInAnyOrder) {
  const auto parsed =
      ParseDrawCommandLine({"--relative", "--at", "-5,+7", "--magnification",
                            "3", "pic.png", "--coarseness", "-1", "--threshold",
                            "90", "--drag", "--strokes", "--dither"});
  const auto* request = std::get_if<DrawRequest>(&parsed);
  ASSERT_NE(request, nullptr) << std::get<UsageError>(parsed).message;
  EXPECT_EQ(request->picture, "pic.png");
  EXPECT_EQ(request->at, (ScreenPoint{-5, 7}));
  EXPECT_EQ(request->mode, CoordinateMode::Relative);
  const DrawSettings settings = SettingsFor(*request);
  EXPECT_EQ(settings.Magnification, 3);
  EXPECT_EQ(settings.Coarseness,
            -1);  // the engine refuses it, as in the window
  EXPECT_EQ(settings.Threshold, 90);
  EXPECT_EQ(settings.DragInput, kTrue);
  EXPECT_TRUE(settings.Strokes);
  EXPECT_EQ(settings.Dither, DitherStyle::FloydSteinberg);
}

TEST(DrawCommandLine, SwatchesInTheOrderGivenWithTheirColoursIfGiven) {
  const auto parsed = ParseDrawCommandLine(
      {"p.png", "--swatch", "5,-6", "--swatch", "7,8,FF8000"});
  const auto* request = std::get_if<DrawRequest>(&parsed);
  ASSERT_NE(request, nullptr) << std::get<UsageError>(parsed).message;
  // Red first in the text, red in the lowest byte of a COLORREF.
  const std::vector<DrawRequest::Swatch> expected = {{{5, -6}, std::nullopt},
                                                     {{7, 8}, 0x0080FFU}};
  EXPECT_EQ(request->swatches, expected);
}

TEST(DrawCommandLine, LeftOutSettingsFollowTheChosenMode) {
  const auto absolute = std::get<DrawRequest>(ParseDrawCommandLine({"p.png"}));
  const auto relative =
      std::get<DrawRequest>(ParseDrawCommandLine({"p.png", "--relative"}));
  EXPECT_EQ(absolute.at, std::nullopt);
  EXPECT_EQ(SettingsFor(absolute).DragInput, kFalse);
  EXPECT_FALSE(SettingsFor(absolute).Strokes);
  EXPECT_EQ(SettingsFor(absolute).Dither, DitherStyle::Off);
  // The relative mode's own preset magnifies more.
  EXPECT_GT(SettingsFor(relative).Magnification,
            SettingsFor(absolute).Magnification);
  EXPECT_EQ(SettingsFor(relative).Threshold, SettingsFor(absolute).Threshold);
}

}  // namespace
}  // namespace scrivlet
