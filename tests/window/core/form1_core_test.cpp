// The window's behaviour against a front end in memory: settings and their
// rules, drops, drawing with progress, closing mid-drawing, and no exception
// leaving a handler.

#include "window/core/form1_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <new>
#include <string>

#include "fake_desktop.h"
#include "fake_form1_view.h"
#include "window/core/home_page.h"
#include "window/core/window_texts.h"

namespace scrivlet::testing {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000U;
constexpr std::uint32_t kWhite = 0xFFFFFFFFU;
constexpr PixelSize kStoredInner{30, 12};

class Form1CoreTest : public ::testing::Test, public CoreRig<> {
 protected:
  // A file arrives over the small picture, with no message shown yet.
  void BeforeAFile() {
    core.SetPicture(Dotted(4, 4));
    decoder.asked.clear();
    view.messages.clear();
  }
  // Then `message` (nullptr: none) was shown, and the picture is as wide.
  void ExpectOutcome(const char* message, int width) const {
    EXPECT_EQ(view.messages, message == nullptr
                                 ? std::vector<std::string>()
                                 : std::vector<std::string>{message});
    EXPECT_EQ(core.ScaleWidth(), width);
  }
};

TEST(Form1CoreSettingsTest, FollowTheBoxesPresetsAndCheckValues) {
  struct Case {
    const char* what;
    Control box;
    const char* typed;    // into `box` first; nullptr: nothing
    std::int16_t preset;  // the option clicked then; -1: none
    CheckValue drag;
    DrawSettings want;  // Coarseness, Magnification, Threshold, DragInput
  };
  constexpr Control kMag = Control::Text1;
  constexpr Control kStep = Control::Text2;
  constexpr CheckValue kOff = CheckValue::Unchecked;
  constexpr DrawSettings kDrag{2, 1, 200, kTrue};
  const Case cases[] = {
      {"defaults", kMag, nullptr, -1, kOff, {2, 1, 200, kFalse}},
      {"magnification", kMag, "7", -1, kOff, {2, 7, 200, kFalse}},
      {"coarseness rounds", kStep, " 3.5 ", -1, kOff, {4, 1, 200, kFalse}},
      {"threshold", Control::Text4, "90", -1, kOff, {2, 1, 90, kFalse}},
      {"no number keeps", kStep, "abc", -1, kOff, {2, 1, 200, kFalse}},
      {"relative preset", kStep, "5", 1, kOff, {2, 2, 200, kFalse}},
      {"absolute preset", kMag, "9", 0, kOff, {2, 1, 200, kFalse}},
      {"drag checked", kMag, nullptr, -1, CheckValue::Checked, kDrag},
      {"drag grayed", kMag, nullptr, -1, CheckValue::Grayed, kDrag},
  };
  const auto fields = [](const DrawSettings& s) {
    return std::array{s.Coarseness, s.Magnification, s.Threshold, s.DragInput};
  };
  for (const Case& c : cases) {
    CoreRig rig;
    if (c.typed != nullptr) rig.view.SetText(c.box, c.typed);
    if (c.preset >= 0) rig.core.Option1_Click(c.preset);
    rig.view.checks[Control::Check2] = c.drag;
    rig.core.Check2_Click();
    EXPECT_EQ(fields(rig.core.settings()), fields(c.want)) << c.what;
  }
}

TEST_F(Form1CoreTest, OnlyAPlainTickMakesTheWindowTopmost) {
  for (const auto& [value, order] :
       {std::pair{CheckValue::Checked, ZOrder::Topmost},
        std::pair{CheckValue::Grayed, ZOrder::NotTopmost},
        std::pair{CheckValue::Unchecked, ZOrder::NotTopmost}}) {
    view.checks[Control::Check1] = value;
    core.Check1_Click();
    EXPECT_EQ(desktop.window_pos_calls().back(),
              (WindowPosRecord{0x4242, order}));
  }
}

TEST_F(Form1CoreTest, HomePageOpensOrSaysItCouldNot) {
  for (const bool opens : {true, false}) {
    view.open_url_result = opens;
    view.messages.clear();
    core.Command1_Click();
    EXPECT_EQ(view.opened.back(), kHomePageUrl);
    EXPECT_EQ(view.messages.empty(), opens);
  }
}

TEST_F(Form1CoreTest, ResizeKeepsTheTabControlInsideTheMargins) {
  struct Case {
    PixelSize inner;
    Dpi dpi;
    PixelRect want;
  };
  for (const Case& c : {Case{{705, 456}, {144, 144}, {12, 12, 681, 432}},
                        Case{{10, 30}, {96, 96}, {8, 8, 0, 14}}}) {
    view.inner = c.inner;
    view.dpi = c.dpi;
    core.Form_Resize();
    EXPECT_EQ(view.tab_geometry.back(), c.want) << c.inner.width;
  }
}

TEST_F(Form1CoreTest, PictureBoxGrowsToALargerPictureAndReadsOverWhite) {
  Picture large = Dotted(50, 20);
  large.argb[1] = 0x00000000U;  // transparent black
  large.argb[2] = 0x80FF0000U;  // half-transparent red
  core.SetPicture(large);
  EXPECT_EQ(core.ScaleWidth(), 50);
  EXPECT_EQ(core.ScaleHeight(), 20);
  EXPECT_EQ(view.shown_size, (PixelSize{50, 20}));
  struct Read {
    std::int32_t x, y;
    COLORREF want;  // 0x00BBGGRR
  };
  for (const Read& r :
       {Read{0, 0, 0x000000}, Read{1, 0, 0xFFFFFF}, Read{2, 0, 0x7F7FFF},
        Read{50, 0, kInvalidColour}, Read{0, -1, kInvalidColour}}) {
    EXPECT_EQ(core.GetPixel(r.x, r.y), r.want) << r.x << "," << r.y;
  }

  core.SetPicture(Dotted(4, 4));
  EXPECT_EQ(core.ScaleWidth(), kStoredInner.width);
  EXPECT_EQ(core.GetPixel(10, 10), 0xFFFFFFU);  // beyond the picture
}

TEST_F(Form1CoreTest, DropsTakeTheFirstLocalFileAsACopyOnly) {
  decoder.files[NativePath("/pics/a.png")] = {Dotted(40, 12), {}};
  decoder.files[NativePath("/pics/\xff\xfe.png")] = {Dotted(41, 12), {}};
  decoder.files[NativePath("/pics/bad.png")] = {{}, texts::kDropBroken};
  const std::string a = "file:///pics/a.png";
  const std::string bad = "file:///pics/bad.png";
  const std::string web = "https://example.org/x.png";
  const std::string odd = "file:///pics/%FF%FE.png";
  const char* const kA = "/pics/a.png";
  struct Case {
    const char* what;
    DroppedItems items;
    bool copy_offered;
    const char* taken;    // the path the decoder is asked; nullptr: none
    const char* message;  // nullptr: none
    int width_after;
  };
  const Case cases[] = {
      {"a file", {{a}, {}}, true, kA, nullptr, 40},
      {"move only", {{a}, {}}, false, nullptr, nullptr, 30},
      {"web address first", {{web, a}, {}}, true, kA, nullptr, 40},
      {"name not UTF-8", {{odd}, {}}, true, "/pics/\xff\xfe.png", nullptr, 41},
      {"plain path first", {{bad}, {NativePath(kA)}}, true, kA, nullptr, 40},
      {"no local file", {{web}, {}}, true, nullptr, texts::kDropNoFile, 30},
      {"broken", {{bad}, {}}, true, "/pics/bad.png", texts::kDropBroken, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BeforeAFile();
    EXPECT_EQ(core.Picture1_OLEDragOver(c.copy_offered) == DropEffect::Copy,
              c.copy_offered);
    // Confirmed as a copy exactly when a file was taken, whole or not.
    EXPECT_EQ(core.Picture1_OLEDragDrop(c.items, c.copy_offered),
              c.taken == nullptr ? DropEffect::None : DropEffect::Copy);
    std::vector<std::string> asked;
    if (c.taken != nullptr) asked.push_back(NativePath(c.taken));
    EXPECT_EQ(decoder.asked, asked);
    ExpectOutcome(c.message, c.width_after);
  }
}

TEST_F(Form1CoreTest, F7DrawsWithProgressAndNoInputThenPollsOn) {
  struct Case {
    int option;
    const char* coarseness;
    bool absolute_moves;
    bool refused;
  };
  for (const Case& c : {Case{0, "1", true, false}, Case{1, "1", false, false},
                        Case{0, "0", false, true}}) {
    desktop.ClearEvents();
    view.captions.clear();
    view.input_enabled.clear();
    view.messages.clear();
    view.option = c.option;
    view.SetText(Control::Text2, c.coarseness);
    bool input_off_while_drawing = false;
    view.on_paint = [&] {
      input_off_while_drawing = !view.input_enabled.back();
    };
    Press(VK_F7);
    const auto any = [this](std::uint32_t flag) {
      return std::ranges::any_of(desktop.events(), [flag](const auto& e) {
        return (e.flags & flag) != 0;
      });
    };
    EXPECT_EQ(any(MOUSEEVENTF_LEFTDOWN), !c.refused) << c.option;
    EXPECT_EQ(any(MOUSEEVENTF_ABSOLUTE), c.absolute_moves) << c.option;
    EXPECT_EQ(view.messages.size(), c.refused ? 1U : 0U) << c.option;
    EXPECT_EQ(input_off_while_drawing, !c.refused);
    EXPECT_EQ(view.input_enabled, (std::vector<bool>{false, true}));
    ASSERT_FALSE(view.captions.empty());
    EXPECT_EQ(view.captions.back(), texts::kCaption);
    if (!c.refused) {
      EXPECT_NE(view.captions[view.captions.size() - 2].find("100%"),
                std::string::npos);
    }
    EXPECT_TRUE(view.timer_enabled);
    EXPECT_FALSE(core.drawing());
  }
}

TEST_F(Form1CoreTest, ClosingMidDrawingStopsItWithTheButtonUpThenCloses) {
  EXPECT_TRUE(core.Form_QueryUnload());  // idle: closes at once
  EXPECT_EQ(view.closes, 0);

  for (const CheckValue drag : {CheckValue::Unchecked, CheckValue::Checked}) {
    view.checks[Control::Check2] = drag;
    core.Check2_Click();
    view.closes = 0;
    view.paints = 0;
    view.on_paint = [this] {
      if (view.paints == 2) {
        EXPECT_FALSE(core.Form_QueryUnload());
        EXPECT_FALSE(desktop.left_button_down());
      }
      // A drop meanwhile is refused, not taken.
      EXPECT_EQ(core.Picture1_OLEDragOver(true), DropEffect::None);
      EXPECT_EQ(core.Picture1_OLEDragDrop({{"file:///pics/a.png"}, {}}, true),
                DropEffect::None);
    };
    Press(VK_F7);
    EXPECT_EQ(view.paints, 2);
    EXPECT_FALSE(desktop.left_button_down());
    EXPECT_EQ(view.closes, 1);
    EXPECT_TRUE(decoder.asked.empty());
    view.on_paint = nullptr;
    Press(VK_F7);  // the abort does not outlive its drawing
    EXPECT_GT(view.paints, 2 + 2);
  }
}

TEST_F(Form1CoreTest, NoExceptionLeavesAHandler) {
  struct Case {
    const char* handler;
    std::function<void(Form1Core&)> call;
    bool in_decoder;  // else every query of the view throws
  };
  const DroppedItems file{{"file:///pics/a.png"}, {}};
  const Case cases[] = {
      {"Form_Resize", [](Form1Core& c) { c.Form_Resize(); }, false},
      {"Text1_Change", [](Form1Core& c) { c.Text1_Change(); }, false},
      {"Check1_Click", [](Form1Core& c) { c.Check1_Click(); }, false},
      {"Check2_Click", [](Form1Core& c) { c.Check2_Click(); }, false},
      {"Command1_Click", [](Form1Core& c) { c.Command1_Click(); }, false},
      {"Check3_Click", [](Form1Core& c) { c.Check3_Click(); }, false},
      {"Form_Paste", [](Form1Core& c) { c.Form_Paste(); }, false},
      {"Picture1_DblClick", [](Form1Core& c) { c.Picture1_DblClick(); }, false},
      {"Picture1_OLEDragDrop",
       [&file](Form1Core& c) { (void)c.Picture1_OLEDragDrop(file, true); },
       true},
  };
  for (const Case& c : cases) {
    view.messages.clear();
    decoder.out_of_memory = c.in_decoder;
    view.on_query =
        c.in_decoder ? std::function<void()>() : [] { throw std::bad_alloc(); };
    EXPECT_NO_THROW(c.call(core)) << c.handler;
    ASSERT_EQ(view.messages.size(), 1U) << c.handler;
    EXPECT_EQ(view.messages[0].rfind(texts::kOutOfMemory, 0), 0U) << c.handler;
  }
}

TEST_F(Form1CoreTest, StylePageSetsTheStyleAndGreysDragInputForStrokes) {
  struct Case {
    std::int16_t style;   // Option2 index clicked
    std::int16_t dither;  // Option3 index clicked
    bool strokes;
    DitherStyle want;
  };
  for (const Case& c : {Case{1, 1, true, DitherStyle::FloydSteinberg},
                        Case{0, 2, false, DitherStyle::Bayer},
                        Case{1, 0, true, DitherStyle::Off}}) {
    core.Option2_Click(c.style);
    core.Option3_Click(c.dither);
    EXPECT_EQ(core.settings().Strokes, c.strokes) << c.style;
    EXPECT_EQ(core.settings().Dither, c.want) << c.dither;
    EXPECT_EQ(view.control_enabled.at(Control::Check2), !c.strokes) << c.style;
  }
}

TEST_F(Form1CoreTest, PreviewReplacesWhatTheBoxShowsButNotWhatIsDrawn) {
  double now = 0;
  core.SetClock([&now] { return now += 0.5; });
  const std::string& label = view.texts[Control::Label7];
  // Whether the view shows exactly the picture the plotters read.
  const auto shows_picture = [this] {
    std::vector<std::uint32_t> picture;
    for (int y = 0; y < view.shown_size.height; ++y) {
      for (int x = 0; x < view.shown_size.width; ++x) {
        picture.push_back(core.GetPixel(x, y) == 0 ? kBlack : kWhite);
      }
    }
    return view.shown_pixels == picture;
  };
  ASSERT_TRUE(shows_picture());
  view.checks[Control::Check3] = CheckValue::Checked;
  core.Check3_Click();
  // Coarseness 2 samples even columns only: the dark column 3 is left out
  // of the preview, yet the plotters still read it dark.
  EXPECT_FALSE(shows_picture());
  EXPECT_EQ(view.shown_pixels[3], 0xFFFFFFFFU);
  EXPECT_EQ(core.GetPixel(3, 0), 0U);
  EXPECT_EQ(view.shown_size, (PixelSize{30, 12}));
  // Columns 0, 6, 12, 18 on rows 0, 2, ..., 8; no pace known before a
  // drawing ends.
  EXPECT_EQ(label.rfind("点の数: 20 ", 0), 0U);
  EXPECT_NE(label.find(texts::kEstimateUnknown), std::string::npos) << label;
  Press(VK_F7);
  // 20 dots in 0.5 s: 40 a second, so the same 20 take half a second.
  EXPECT_NE(label.find("約1秒"), std::string::npos) << label;
  // As strokes: each column of samples is one run, drawn unbroken.
  core.Option2_Click(1);
  EXPECT_EQ(label.rfind("線の数: 4 ", 0), 0U);
  EXPECT_EQ(view.shown_pixels[30], 0xFF000000U);  // (0, 1), between samples
  core.Option2_Click(0);
  EXPECT_EQ(view.shown_pixels[30], 0xFFFFFFFFU);
  // Every dark pixel is a sample at coarseness 1: the preview is the picture.
  view.SetText(Control::Text2, "1");
  EXPECT_TRUE(shows_picture());
  EXPECT_NE(label.find("点の数: 80  予想時間: 約2秒"), std::string::npos)
      << label;
  view.SetText(Control::Text2, "-2");  // samples nothing, as a drawing
  EXPECT_EQ(label.rfind("点の数: 0 ", 0), 0U);
  view.SetText(Control::Text2, "0");
  EXPECT_TRUE(shows_picture());
  EXPECT_NE(label, "");  // why nothing would be drawn
  view.SetText(Control::Text2, "2");
  view.checks[Control::Check3] = CheckValue::Unchecked;
  core.Check3_Click();
  EXPECT_TRUE(shows_picture());
  EXPECT_EQ(label, "");
}

TEST_F(Form1CoreTest, PasteAndFileDialogGoThroughTheDropChecks) {
  const std::string a = NativePath("/pics/a.png");
  const std::string text = NativePath("/pics/text.txt");
  decoder.files[a] = {Dotted(40, 12), {}};
  decoder.files[text] = {{}, texts::kDropNotPicture};
  const auto files = [](DroppedItems items) {
    return PastedData{std::move(items), {}};
  };
  const auto pasted = [](Picture p, const char* problem) {
    return PastedData{{}, {std::move(p), problem}};
  };
  struct Case {
    const char* what;
    std::optional<PastedData> clipboard;  // else the file dialog's answer
    std::optional<std::string> chosen;
    const char* message;  // nullptr: none
    int width_after;
  };
  const std::string txt = "file:///pics/text.txt";
  const char* const kNotPicture = texts::kDropNotPicture;
  const char* const kBroken = texts::kDropBroken;
  const Case cases[] = {
      {"pasted file", files({{}, {a}}), {}, nullptr, 40},
      {"pasted text file", files({{txt}, {}}), {}, kNotPicture, 30},
      {"empty clipboard", PastedData{}, {}, texts::kPasteNothing, 30},
      {"pasted picture", pasted(Dotted(45, 3), ""), {}, nullptr, 45},
      {"too wide", pasted(Dotted(32767, 1), ""), {}, texts::kDropTooWide, 30},
      {"pasted broken", pasted({}, kBroken), {}, kBroken, 30},
      {"chosen file", {}, a, nullptr, 40},
      {"dialog cancelled", {}, {}, nullptr, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BeforeAFile();
    view.clipboard = c.clipboard.value_or(PastedData{});
    view.chosen_file = c.chosen;
    if (c.clipboard) {
      core.Form_Paste();
    } else {
      core.Picture1_DblClick();
    }
    ExpectOutcome(c.message, c.width_after);
  }
}

}  // namespace
}  // namespace scrivlet::testing
