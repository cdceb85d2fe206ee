#pragma once

// Reads of the screen around the dots being delivered. Every read goes
// through here: a read forgets the last look, which is reused as the
// screen before the next batch only while nothing has been drawn since.

#include <cstdint>
#include <optional>

#include "platform/platform_input.h"

namespace scrivlet {

// The smallest rectangle holding `rect` (if any) and `at`.
[[nodiscard]] ScreenRect Including(const std::optional<ScreenRect>& rect,
                                   ScreenPoint at);
[[nodiscard]] std::int64_t Area(const ScreenRect& rect);

class ScreenLooks {
 public:
  // `target` outlives this.
  explicit ScreenLooks(PlatformInput* target) : target_(target) {}

  // Where the desktop reports drawing, a look at one dot reads a margin
  // around it, and the next batch nearby may start from that look.
  void set_reports_changes(bool reports) { reports_changes_ = reports; }

  ScreenImage Capture(ScreenRect rect);
  // A look at a batch's rectangle; with a margin around a single dot.
  ScreenImage Look(ScreenRect rect, bool with_margin);
  // The screen before a batch: from the last look where it still holds.
  ScreenImage Before(ScreenRect rect);
  std::optional<COLORREF> ReadPixel(ScreenPoint at);
  // What the target has drawn at `at`, shown yet or not (ReadDrawnPixel).
  std::optional<COLORREF> ReadDrawn(ScreenPoint at);

 private:
  PlatformInput* target_;
  bool reports_changes_ = false;
  // The last look with its margin, while it is the last read.
  std::optional<ScreenImage> last_look_;
};

}  // namespace scrivlet
