// Which handler each control's change or click raises, as both views
// report them.

#include <algorithm>

#include "window/core/form1_core.h"

namespace scrivlet {

void Form1Core::ControlEvent(Control control) {
  switch (control) {
    case Control::Text1:
      Text1_Change();
      break;
    case Control::Text2:
      Text2_Change();
      break;
    case Control::Text4:
      Text4_Change();
      break;
    case Control::Option1_0:
      Option1_Click(0);
      break;
    case Control::Option1_1:
      Option1_Click(1);
      break;
    case Control::Check1:
      Check1_Click();
      break;
    case Control::Check2:
      Check2_Click();
      break;
    case Control::Option2_0:
    case Control::Option2_1:
      Option2_Click(control == Control::Option2_0 ? 0 : 1);
      break;
    case Control::Option3_0:
    case Control::Option3_1:
    case Control::Option3_2:
      Option3_Click(static_cast<std::int16_t>(
          static_cast<int>(control) - static_cast<int>(Control::Option3_0)));
      break;
    case Control::Check3:
      Check3_Click();
      break;
    case Control::Command1:
      Command1_Click();
      break;
    case Control::Command2:
      Command2_Click();
      break;
    default:
      if (const auto* chip = std::ranges::find(kInkChips, control);
          chip != kInkChips.end()) {
        InkChip_Click(static_cast<std::size_t>(chip - kInkChips.begin()));
      }
      break;
  }
}

}  // namespace scrivlet
