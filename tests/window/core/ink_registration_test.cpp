// Registering the target's inks on the 描き方 page: the state F7 records
// swatches in, how it ends, its refusal where the screen cannot be read,
// the chips, and the inks reaching the drawing and the preview.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <variant>
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
constexpr COLORREF kWhiteScreen = 0xFFFFFFU;

// A desktop whose screen shows `swatches` on white, or cannot be read.
class ScreenDesktop : public FakeDesktop {
 public:
  bool readable = true;
  std::map<std::pair<int, int>, COLORREF> swatches;

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    // Off the 1920 x 1080 screen nothing is read, even where readable.
    if (!readable || at.x >= 1920) return std::nullopt;
    const auto found = swatches.find({at.x, at.y});
    return found == swatches.end() ? kWhiteScreen : found->second;
  }
};

struct Harness {
  Harness() : core(view, desktop, decoder, {30, 12}) {
    view.core = &core;
    Picture dots{24, 10, std::vector<std::uint32_t>(240, 0xFFFFFFFFU)};
    dots.argb[0] = 0xFF000000U;
    core.SetPicture(std::move(dots));
    core.Form_Load();
  }
  void Press(int key) {
    desktop.AnswerNextQuery(key, kFreshKeyPress);
    core.Timer1_Timer();
  }
  // F7 with the pointer on a swatch of `colour` at (x, 10).
  void PressF7Over(int x, COLORREF colour) {
    desktop.swatches[{x, 10}] = colour;
    desktop.SetCursor({x, 10});
    Press(VK_F7);
  }

  FakeForm1View view;
  ScreenDesktop desktop;
  FakeDecoder decoder;
  Form1Core core;
};

// One step of a case: the button, F7 over a swatch (x, colour), F8, or a
// click on the chip in that slot.
struct Button {};
struct F7 {
  int x;
  COLORREF colour;
};
struct F8 {};
struct Chip {
  std::size_t slot;
};
using Step = std::variant<Button, F7, F8, Chip>;

TEST(InkRegistrationTest, StateRecordsOnF7AndEndsOnF8OrTheButton) {
  struct Case {
    const char* what;
    bool readable;
    std::vector<Step> steps;
    std::vector<COLORREF> inks;  // in slot order afterwards
    bool registering;
    const char* message;  // the last one shown; nullptr: none
    bool drew;            // F7 drew (outside the state) instead of recording
  };
  const Case cases[] = {
      {"F7 records, F8 ends",
       true,
       {Button{}, F7{40, kRed}, F7{60, kBlue}, F8{}},
       {kRed, kBlue},
       false,
       nullptr,
       false},
      {"the button ends",
       true,
       {Button{}, F7{40, kRed}, Button{}},
       {kRed},
       false,
       nullptr,
       false},
      {"still registering",
       true,
       {Button{}, F7{40, kGreen}},
       {kGreen},
       true,
       nullptr,
       false},
      {"F7 after F8 draws again",
       true,
       {Button{}, F7{40, kRed}, F8{}, F7{50, kBlue}},
       {kRed},
       false,
       nullptr,
       true},
      {"no screen read: refused, F7 draws",
       false,
       {Button{}, F7{40, kRed}},
       {},
       false,
       texts::kNoScreenRead,
       true},
      {"a colour twice",
       true,
       {Button{}, F7{40, kRed}, F7{70, kRed}},
       {kRed},
       true,
       texts::kInkTwice,
       false},
      {"a point that cannot be read",
       true,
       {Button{}, F7{5000, kRed}},
       {},
       true,
       texts::kInkUnreadable,
       false},
      {"a chip removes its ink",
       true,
       {Button{}, F7{40, kRed}, F7{50, kGreen}, F7{60, kBlue}, F8{}, Chip{1}},
       {kRed, kBlue},
       false,
       nullptr,
       false},
      {"a chip while registering, an empty slot",
       true,
       {Button{}, F7{40, kRed}, Chip{0}, Chip{5}, F7{50, kBlue}},
       {kBlue},
       true,
       nullptr,
       false},
  };
  for (const Case& c : cases) {
    Harness h;
    h.desktop.readable = c.readable;
    for (const Step& step : c.steps) {
      if (std::holds_alternative<Button>(step)) {
        h.desktop.SetCursor({10, 10});
        h.core.ControlEvent(Control::Command2);
      } else if (const auto* f7 = std::get_if<F7>(&step)) {
        h.PressF7Over(f7->x, f7->colour);
      } else if (std::holds_alternative<F8>(step)) {
        h.Press(VK_F8);
      } else {
        h.core.ControlEvent(kInkChips.at(std::get<Chip>(step).slot));
      }
    }
    std::vector<COLORREF> inks;
    for (const Ink& ink : h.core.settings().Inks) {
      inks.push_back(ink.colour);
      // Recorded where the pointer stood.
      EXPECT_EQ(h.desktop.swatches.at({ink.swatch.x, ink.swatch.y}), ink.colour)
          << c.what;
    }
    EXPECT_EQ(inks, c.inks) << c.what;
    for (std::size_t slot = 0; slot < kInkChips.size(); ++slot) {
      EXPECT_EQ(h.view.chips[kInkChips[slot]],
                slot < inks.size() ? std::optional(inks[slot]) : std::nullopt)
          << c.what << " slot " << slot;
    }
    EXPECT_EQ(h.core.registering(), c.registering) << c.what;
    EXPECT_EQ(h.view.messages.empty() ? "" : h.view.messages.back(),
              c.message != nullptr ? c.message : "")
        << c.what;
    // Registering never clicks into the target.
    EXPECT_EQ(!h.desktop.events().empty(), c.drew) << c.what;
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
  EXPECT_EQ(shown(),
            (std::vector{kBlack, kPaper, kBlack, kPaper, kBlack, kPaper}));
  h.core.Command2_Click();
  h.PressF7Over(40, kRed);
  h.PressF7Over(50, kBlue);
  h.PressF7Over(60, 0x000000U);
  EXPECT_EQ(shown(), (std::vector{0xFFFF0000U, kPaper, 0xFF0000FFU, kPaper,
                                  kBlack, kPaper}));
  // Removing the inks brings black back.
  for (int i = 0; i < 3; ++i) h.core.InkChip_Click(0);
  EXPECT_EQ(shown(),
            (std::vector{kBlack, kPaper, kBlack, kPaper, kBlack, kPaper}));
}

}  // namespace
}  // namespace scrivlet::testing
