#pragma once

// Where a user clicks on the program's window, from its inner area's origin
// and width at 96 DPI: the place and centre of a control given its stored
// place in twips inside its containers (outermost first), and the centre of
// a tab; and how far a drawing is, by its caption.

#include <regex>
#include <string>
#include <vector>

#include "platform/platform_input.h"
#include "window/core/form1_layout.h"
#include "window/core/twips.h"

namespace scrivlet::testing {

inline constexpr double kPlainDpi = 96.0;

inline ScreenRect ControlRect(ScreenPoint inner_origin,
                              const std::vector<TwipRect>& path) {
  ScreenPoint at = inner_origin;
  for (const TwipRect& rect : path) {
    at.x += TwipsToPixels(rect.left, kPlainDpi);
    at.y += TwipsToPixels(rect.top, kPlainDpi);
  }
  return {at.x, at.y, TwipsToPixels(path.back().width, kPlainDpi),
          TwipsToPixels(path.back().height, kPlainDpi)};
}

inline ScreenPoint ControlCentre(ScreenPoint inner_origin,
                                 const std::vector<TwipRect>& path) {
  const ScreenRect rect = ControlRect(inner_origin, path);
  return {rect.left + rect.width / 2, rect.top + rect.height / 2};
}

// Equal tabs share the tab control's width in one row.
inline ScreenPoint TabCentre(ScreenPoint inner_origin, int inner_width,
                             int index) {
  // Only the control's left, top and width matter here.
  const TwipRect tabs =
      TabControlRectFor(PixelsToTwips(inner_width, kPlainDpi), 0);
  const int left = TwipsToPixels(tabs.left, kPlainDpi);
  const int width = TwipsToPixels(tabs.width, kPlainDpi);
  return {inner_origin.x + left +
              (2 * index + 1) * width / (2 * layout::kTabsPerRow),
          inner_origin.y + TwipsToPixels(tabs.top, kPlainDpi) +
              TwipsToPixels(layout::kTabHeight, kPlainDpi) / 2};
}

// The percentage a drawing caption shows ("... 42%)"), or -1.
inline int CaptionProgress(const std::string& caption) {
  std::smatch match;
  return std::regex_search(caption, match, std::regex(R"((\d+)%[^%]*$)"))
             ? std::stoi(match[1])
             : -1;
}

}  // namespace scrivlet::testing
