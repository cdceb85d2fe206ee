#pragma once

// The stored layout of the main window, in twips. Page contents are measured
// from the tab control's top-left corner (tab strip included), the settings
// group's contents from the frame's top-left corner.

#include <array>
#include <cstdint>

#include "window/core/controls.h"
#include "window/core/twips.h"

namespace scrivlet::layout {

// The window's inner area at start: 470 x 304 pixels at 96 DPI.
inline constexpr int kFormInnerWidth = 7050;
inline constexpr int kFormInnerHeight = 4560;

inline constexpr TwipRect kSSTab1{120, 120, 6855, 4335};
// About 520 hundredths of a millimetre; three equal tabs per row.
inline constexpr int kTabHeight = 295;
inline constexpr int kTabsPerRow = 3;

// Page 0, "メイン".
inline constexpr TwipRect kText3{240, 360, 6375, 2295};
inline constexpr TwipRect kLabel5{240, 2760, 615, 375};
inline constexpr TwipRect kPicture1{720, 2760, 5250, 1455};

// Page 1, "設定".
inline constexpr TwipRect kFrame1{360, 480, 3735, 1575};
inline constexpr TwipRect kCommand1{4200, 600, 1575, 375};
inline constexpr TwipRect kLabel6{1440, 2160, 4695, 255};

// Inside Frame1.
inline constexpr TwipRect kLabel3{240, 240, 3255, 375};
inline constexpr TwipRect kOption1Absolute{120, 480, 1215, 255};
inline constexpr TwipRect kOption1Relative{120, 720, 1215, 255};
inline constexpr TwipRect kCheck1{120, 960, 975, 255};
inline constexpr TwipRect kCheck2{120, 1200, 1335, 255};
inline constexpr TwipRect kLabel1{1320, 525, 1575, 255};
inline constexpr TwipRect kLabel2{1320, 765, 1575, 255};
inline constexpr TwipRect kLabel4{1320, 1005, 1575, 255};
inline constexpr TwipRect kText1{3000, 480, 615, 270};
inline constexpr TwipRect kText2{3000, 720, 615, 270};
inline constexpr TwipRect kText4{3000, 960, 615, 270};

// Page 2, "描き方".
inline constexpr TwipRect kFrame2{360, 480, 1815, 855};
inline constexpr TwipRect kFrame3{2400, 480, 2175, 1095};
inline constexpr TwipRect kCheck3{360, 1680, 1815, 255};
inline constexpr TwipRect kLabel7{360, 2040, 6135, 495};
inline constexpr TwipRect kCommand2{360, 2640, 1455, 375};
inline constexpr TwipRect kLabel8{1920, 2640, 4575, 495};

// The ink chips, one row under the register button.
inline constexpr TwipRect InkChip(int slot) {
  return {360 + 480 * slot, 3180, 420, 375};
}

// Inside Frame2 and Frame3: one button a row.
inline constexpr TwipRect OptionRow(int row, int width) {
  return {120, 240 + 240 * row, width, 255};
}

// What a control's stored position is measured from.
enum class Container : std::uint8_t {
  Form,
  MainPage,
  SettingsPage,
  Frame1,
  StylePage,
  Frame2,
  Frame3,
};

struct Placement {
  Control control;
  Container parent;
  TwipRect rect;  // Picture1's size includes its border
};

// Every control's place, in creation order (parents before children).
inline constexpr std::array<Placement, 37> kPlacements{{
    {Control::SSTab1, Container::Form, kSSTab1},
    {Control::Text3, Container::MainPage, kText3},
    {Control::Label5, Container::MainPage, kLabel5},
    {Control::Picture1, Container::MainPage, kPicture1},
    {Control::Frame1, Container::SettingsPage, kFrame1},
    {Control::Command1, Container::SettingsPage, kCommand1},
    {Control::Label6, Container::SettingsPage, kLabel6},
    {Control::Label3, Container::Frame1, kLabel3},
    {Control::Option1_0, Container::Frame1, kOption1Absolute},
    {Control::Option1_1, Container::Frame1, kOption1Relative},
    {Control::Check1, Container::Frame1, kCheck1},
    {Control::Check2, Container::Frame1, kCheck2},
    {Control::Label1, Container::Frame1, kLabel1},
    {Control::Label2, Container::Frame1, kLabel2},
    {Control::Label4, Container::Frame1, kLabel4},
    {Control::Text1, Container::Frame1, kText1},
    {Control::Text2, Container::Frame1, kText2},
    {Control::Text4, Container::Frame1, kText4},
    {Control::Frame2, Container::StylePage, kFrame2},
    {Control::Option2_0, Container::Frame2, OptionRow(0, 1575)},
    {Control::Option2_1, Container::Frame2, OptionRow(1, 1575)},
    {Control::Frame3, Container::StylePage, kFrame3},
    {Control::Option3_0, Container::Frame3, OptionRow(0, 1935)},
    {Control::Option3_1, Container::Frame3, OptionRow(1, 1935)},
    {Control::Option3_2, Container::Frame3, OptionRow(2, 1935)},
    {Control::Check3, Container::StylePage, kCheck3},
    {Control::Label7, Container::StylePage, kLabel7},
    {Control::Command2, Container::StylePage, kCommand2},
    {Control::Label8, Container::StylePage, kLabel8},
    {Control::InkChip_0, Container::StylePage, InkChip(0)},
    {Control::InkChip_1, Container::StylePage, InkChip(1)},
    {Control::InkChip_2, Container::StylePage, InkChip(2)},
    {Control::InkChip_3, Container::StylePage, InkChip(3)},
    {Control::InkChip_4, Container::StylePage, InkChip(4)},
    {Control::InkChip_5, Container::StylePage, InkChip(5)},
    {Control::InkChip_6, Container::StylePage, InkChip(6)},
    {Control::InkChip_7, Container::StylePage, InkChip(7)},
}};

// Picture1's sunken border, in pixels on every side.
inline constexpr int kPictureBorderPixels = 2;

}  // namespace scrivlet::layout
