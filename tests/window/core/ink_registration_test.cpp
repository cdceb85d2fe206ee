// Registering the target's inks on the 描き方 page: the state F7 records
// swatches in, how it ends, its refusal where the screen cannot be read,
// the chips, and the inks reaching the drawing and the preview.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fake_desktop.h"
#include "fake_form1_view.h"
#include "window/core/form1_core.h"
#include "window/core/window_texts.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kRed = 0x0000FFU;  // 0x00BBGGRR
constexpr COLORREF kGreen = 0x00FF00U;
constexpr COLORREF kBlue = 0xFF0000U;
struct Harness : CoreRig<ScreenDesktop> {
  // F7 with the pointer on a swatch of `colour` at (x, 10).
  void PressF7Over(int x, COLORREF colour) {
    desktop.swatches[{x, 10}] = colour;
    desktop.SetCursor({x, 10});
    Press(VK_F7);
  }
};

// A colour's letter in the scripts below.
COLORREF ColourOf(char letter) {
  return letter == 'r' ? kRed : letter == 'g' ? kGreen : kBlue;
}

TEST(InkRegistrationTest, StateRecordsOnF7AndEndsOnF8OrTheButton) {
  // Steps, one a character: B the register button; r, g, b F7 over a swatch
  // of that colour, each at its own point; x F7 off the screen; 8 F8;
  // 0..7 a click on the chip in that slot. `inks` in slot order after.
  struct Case {
    const char* steps;
    bool readable;
    const char* inks;
    bool registering;
    const char* message;  // the last one shown; nullptr: none
    bool drew;            // F7 drew (outside the state) instead of recording
  };
  const Case cases[] = {
      {"Brb8", true, "rb", false, nullptr, false},
      {"BrB", true, "r", false, nullptr, false},
      {"Bg", true, "g", true, nullptr, false},
      {"Br8b", true, "r", false, nullptr, true},
      {"Br", false, "", false, texts::kNoScreenRead, true},
      {"Brr", true, "r", true, texts::kInkTwice, false},
      {"Bx", true, "", true, texts::kInkUnreadable, false},
      {"Brgb81", true, "rb", false, nullptr, false},
      {"Br05b", true, "b", true, nullptr, false},
  };
  for (const Case& c : cases) {
    Harness h;
    h.desktop.readable = c.readable;
    int x = 40;
    for (const char step : std::string_view(c.steps)) {
      if (step == 'B') {
        h.desktop.SetCursor({10, 10});
        h.core.ControlEvent(Control::Command2);
      } else if (step == '8') {
        h.Press(VK_F8);
      } else if (step >= '0' && step <= '7') {
        h.core.ControlEvent(kInkChips.at(static_cast<std::size_t>(step - '0')));
      } else {
        h.PressF7Over(step == 'x' ? 5000 : x++, ColourOf(step));
      }
    }
    std::vector<COLORREF> inks;
    for (const Ink& ink : h.core.settings().Inks) {
      inks.push_back(ink.colour);
      // Recorded where the pointer stood.
      EXPECT_EQ(h.desktop.swatches.at({ink.swatch.x, ink.swatch.y}), ink.colour)
          << c.steps;
    }
    std::vector<COLORREF> want;
    for (const char letter : std::string_view(c.inks)) {
      want.push_back(ColourOf(letter));
    }
    EXPECT_EQ(inks, want) << c.steps;
    for (std::size_t slot = 0; slot < kInkChips.size(); ++slot) {
      EXPECT_EQ(h.view.chips[kInkChips[slot]],
                slot < inks.size() ? std::optional(inks[slot]) : std::nullopt)
          << c.steps << " slot " << slot;
    }
    EXPECT_EQ(h.core.registering(), c.registering) << c.steps;
    EXPECT_EQ(h.view.messages.empty() ? "" : h.view.messages.back(),
              c.message != nullptr ? c.message : "")
        << c.steps;
    // Registering never clicks into the target.
    EXPECT_EQ(!h.desktop.events().empty(), c.drew) << c.steps;
  }
}

TEST(InkRegistrationTest, NoMoreInksThanChips) {
  Harness h;
  h.core.Command2_Click();
  for (int i = 0; i <= static_cast<int>(kInkChips.size()); ++i) {
    h.PressF7Over(40 + i, static_cast<COLORREF>(0x010101 * (i + 1)));
  }
  EXPECT_EQ(h.core.settings().Inks.size(), kInkChips.size());
  EXPECT_EQ(h.view.messages.size(), 1U);
}

TEST(InkRegistrationTest, PreviewShowsEachSampleInItsNearestInk) {
  Harness h;
  // Dark red, dark blue and a grey nearer to neither than to black.
  Picture picture{24, 10, std::vector<std::uint32_t>(240, 0xFFFFFFFFU)};
  picture.argb[0] = 0xFF900000U;  // 0xAARRGGBB
  picture.argb[2] = 0xFF000090U;
  picture.argb[4] = 0xFF404040U;
  h.core.SetPicture(std::move(picture));
  h.view.SetText(Control::Text2, "1");
  h.view.checks[Control::Check3] = CheckValue::Checked;
  h.core.Check3_Click();
  const auto shown = [&h] {
    return std::vector<std::uint32_t>{h.view.shown_pixels.begin(),
                                      h.view.shown_pixels.begin() + 6};
  };
  constexpr std::uint32_t kBlack = 0xFF000000U;
  constexpr std::uint32_t kPaper = 0xFFFFFFFFU;
  h.core.Command2_Click();
  h.PressF7Over(40, kRed);
  h.PressF7Over(50, kBlue);
  h.PressF7Over(60, 0x000000U);
  EXPECT_EQ(shown(), (std::vector{0xFFFF0000U, kPaper, 0xFF0000FFU, kPaper,
                                  kBlack, kPaper}));
  // Without inks, black.
  for (int i = 0; i < 3; ++i) h.core.InkChip_Click(0);
  EXPECT_EQ(shown(),
            (std::vector{kBlack, kPaper, kBlack, kPaper, kBlack, kPaper}));
}

}  // namespace
}  // namespace scrivlet::testing
