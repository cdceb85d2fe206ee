#pragma once

// The main window's controls, shared by every front end. A control's name is
// its Qt objectName and, through kControls, its Win32 control id; tests on
// both toolkits find controls by these names.

#include <array>
#include <cstdint>
#include <optional>

#include "window/core/window_texts.h"

namespace scrivlet {

// Each control's role, where its name does not say it.
enum class Control : std::uint8_t {
  SSTab1,     // the tab control: メイン, 設定 and 描き方
  Text3,      // the usage text
  Label5,     // the caption over the picture
  Picture1,   // the picture to draw; takes dropped files
  Frame1,     // the settings group
  Command1,   // opens the home page
  Label6,     // the maker's notice
  Label3,     // the note that settings are whole numbers
  Option1_0,  // 絶対座標: absolute pointer moves
  Option1_1,  // 相対座標: relative pointer moves
  Check1,     // 最前面: the window stays on top
  Check2,     // ドラッグ入力: each dot a one-pixel drag
  Label1,     // labels Text1
  Label2,     // labels Text2
  Label4,     // labels Text4
  Text1,      // magnification
  Text2,      // coarseness
  Text4,      // threshold
  // Page 2, "描き方".
  Frame2,
  Option2_0,  // 点
  Option2_1,  // 線
  Frame3,
  Option3_0,  // なし
  Option3_1,  // 誤差拡散
  Option3_2,  // 組織的
  Check3,     // プレビュー
  Label7,     // the preview's count and time estimate
  Command2,   // 色を登録: F7 then records a swatch of the target, F8 ends
  Label8,     // the registered inks, or how to register them
  InkChip_0,  // the registered inks as colour chips; a click removes one
  InkChip_1,
  InkChip_2,
  InkChip_3,
  InkChip_4,
  InkChip_5,
  InkChip_6,
  InkChip_7,
};

struct ControlInfo {
  Control control;
  const char* name;
  // Win32 dialog-style id; 100 upwards leaves room for the system's own ids.
  int id;
  // The text the control is created with (UTF-8); nullptr for none.
  const char* text;
};

inline constexpr std::array<ControlInfo, 37> kControls{{
    {Control::SSTab1, "SSTab1", 100, nullptr},
    {Control::Text3, "Text3", 101, nullptr},
    {Control::Label5, "Label5", 102, texts::kImageLabel},
    {Control::Picture1, "Picture1", 103, nullptr},
    {Control::Frame1, "Frame1", 104, texts::kSettingsFrame},
    {Control::Command1, "Command1", 105, texts::kHomePageButton},
    {Control::Label6, "Label6", 106, texts::kMakerNotice},
    {Control::Label3, "Label3", 107, texts::kWholeNumbersNote},
    {Control::Option1_0, "Option1_0", 108, texts::kAbsolute},
    {Control::Option1_1, "Option1_1", 109, texts::kRelative},
    {Control::Check1, "Check1", 110, texts::kTopmost},
    {Control::Check2, "Check2", 111, texts::kDragInput},
    {Control::Label1, "Label1", 112, texts::kMagnificationLabel},
    {Control::Label2, "Label2", 113, texts::kCoarsenessLabel},
    {Control::Label4, "Label4", 114, texts::kThresholdLabel},
    {Control::Text1, "Text1", 115, texts::kMagnificationDefault},
    {Control::Text2, "Text2", 116, texts::kCoarsenessDefault},
    {Control::Text4, "Text4", 117, texts::kThresholdDefault},
    {Control::Frame2, "Frame2", 118, texts::kStyleFrame},
    {Control::Option2_0, "Option2_0", 119, texts::kDots},
    {Control::Option2_1, "Option2_1", 120, texts::kStrokes},
    {Control::Frame3, "Frame3", 121, texts::kDitherFrame},
    {Control::Option3_0, "Option3_0", 122, texts::kDitherNone},
    {Control::Option3_1, "Option3_1", 123, texts::kDitherDiffusion},
    {Control::Option3_2, "Option3_2", 124, texts::kDitherOrdered},
    {Control::Check3, "Check3", 125, texts::kPreview},
    {Control::Label7, "Label7", 126, nullptr},
    {Control::Command2, "Command2", 127, texts::kRegisterInks},
    {Control::Label8, "Label8", 128, texts::kNoInks},
    {Control::InkChip_0, "InkChip_0", 129, texts::kInkChipMark},
    {Control::InkChip_1, "InkChip_1", 130, texts::kInkChipMark},
    {Control::InkChip_2, "InkChip_2", 131, texts::kInkChipMark},
    {Control::InkChip_3, "InkChip_3", 132, texts::kInkChipMark},
    {Control::InkChip_4, "InkChip_4", 133, texts::kInkChipMark},
    {Control::InkChip_5, "InkChip_5", 134, texts::kInkChipMark},
    {Control::InkChip_6, "InkChip_6", 135, texts::kInkChipMark},
    {Control::InkChip_7, "InkChip_7", 136, texts::kInkChipMark},
}};

// kControls is indexed by the enum's value.
constexpr const ControlInfo& Info(Control control) {
  return kControls[static_cast<std::size_t>(control)];
}

constexpr std::optional<Control> ControlById(int id) {
  for (const ControlInfo& info : kControls) {
    if (info.id == id) {
      return info.control;
    }
  }
  return std::nullopt;
}

// The Tab key's order, one chain through all pages (the tab strip first and
// last); a front end skips the controls of the pages not shown. An option
// group is reached at its selected button only.
inline constexpr std::array<Control, 26> kFocusOrder{
    Control::SSTab1,    Control::Text3,     Control::Picture1,
    Control::Check2,    Control::Check1,    Control::Text4,
    Control::Text2,     Control::Text1,     Control::Option1_1,
    Control::Option1_0, Control::Command1,  Control::Option2_0,
    Control::Option2_1, Control::Option3_0, Control::Option3_1,
    Control::Option3_2, Control::Check3,    Control::Command2,
    Control::InkChip_0, Control::InkChip_1, Control::InkChip_2,
    Control::InkChip_3, Control::InkChip_4, Control::InkChip_5,
    Control::InkChip_6, Control::InkChip_7};

// The option groups, each in index order: a front end selects the first
// button of each at start and reports a newly selected one by its index.
inline constexpr std::array<Control, 2> kStyleOptions{Control::Option2_0,
                                                      Control::Option2_1};
inline constexpr std::array<Control, 3> kDitherOptions{
    Control::Option3_0, Control::Option3_1, Control::Option3_2};

// The chips of the registered inks, one a slot in registration order: as
// many inks as fit on the page's one row.
inline constexpr std::array<Control, 8> kInkChips{
    Control::InkChip_0, Control::InkChip_1, Control::InkChip_2,
    Control::InkChip_3, Control::InkChip_4, Control::InkChip_5,
    Control::InkChip_6, Control::InkChip_7};

// The window's timer: F7 is polled every 10 ms.
inline constexpr int kTimer1IntervalMs = 10;

// Font sizes in points; the usage text, option and check boxes ask for
// "ＭＳ Ｐゴシック", every other control for "MS UI Gothic" at 8.25 pt.
inline constexpr double kUsageFontPoints = 9.75;
inline constexpr double kOptionFontPoints = 8.25;
inline constexpr double kUiFontPoints = 8.25;

}  // namespace scrivlet
