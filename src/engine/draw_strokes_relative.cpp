#include <cstddef>

#include "engine/checked_math.h"
#include "engine/colour.h"
#include "engine/draw_plan.h"
#include "engine/drawing_watch.h"
#include "engine/left_button_guard.h"
#include "engine/sample_grid.h"
#include "engine/stroke_plotter.h"

namespace scrivlet {
namespace {

// A pointer position in mouse units from the current line's start.
struct Offset {
  std::int16_t x = 0;
  std::int16_t y = 0;
};

// The dot plotter's geometry: sample (c, r) lies at (c, r + 1) steps from
// where the pointer started. A column starts at its top (c, 0), a row at its
// left end one step up (0, r), so either way the first move goes to the
// first sample from one step before it.
class LineWalk {
 public:
  LineWalk(StrokeAxis axis, std::int16_t magnification)
      : columns_(axis == StrokeAxis::Columns), step_(magnification) {}

  // `sample` from the start of line `line`; a stroke across the lines
  // reaches past its own.
  [[nodiscard]] Offset Sample(int line, SamplePoint sample) const {
    const auto l = static_cast<std::int16_t>(line);
    const auto c = static_cast<std::int16_t>(sample.column);
    const auto r = static_cast<std::int16_t>(sample.row);
    if (columns_) {
      return {CheckedMul16(CheckedSub16(c, l), step_),
              CheckedMul16(CheckedAdd16(r, 1), step_)};
    }
    return {CheckedMul16(c, step_),
            CheckedMul16(CheckedAdd16(CheckedSub16(r, l), 1), step_)};
  }
  // The next line's start, from this line's start.
  [[nodiscard]] Offset NextLine() const {
    return columns_ ? Offset{step_, 0} : Offset{0, step_};
  }

 private:
  bool columns_;
  std::int16_t step_;
};

}  // namespace

PlotEnd DrawRelativeStrokes(PlatformInput& desktop, const PictureView& picture,
                            const DrawSettings& settings,
                            DrawProgress* progress) {
  if (!settings.Inks.empty()) throw ColourNeedsAbsoluteError();
  ForgetEarlierAbort(desktop);
  const DrawPlan drawing =
      PlanDrawing(picture, settings, kRelativeDarknessLimit);
  const StrokePlan& plan = drawing.plan;
  const int lines =
      plan.axis == StrokeAxis::Columns ? drawing.columns : drawing.rows;
  const LineWalk walk(plan.axis, settings.Magnification);
  const DesktopArea area = desktop.DesktopBounds();
  PointerTracker pointer(desktop);
  LeftButtonGuard button(desktop);

  Offset at;
  const auto move_to = [&](Offset target, bool tracked) {
    const std::int16_t dx = CheckedSub16(target.x, at.x);
    const std::int16_t dy = CheckedSub16(target.y, at.y);
    desktop.mouse_event(MOUSEEVENTF_MOVE, dx, dy);
    if (tracked) pointer.Moved(dx, dy);
    at = target;
  };

  std::size_t next = 0;
  for (int line = 0; line < lines; ++line) {
    for (; next < plan.strokes.size() &&
           LineOf(plan.strokes[next], plan.axis) == line;
         ++next) {
      const Stroke& stroke = plan.strokes[next];
      // Checked with the button up, so a stop here leaves it up.
      if (AbortRequested(desktop)) return PlotEnd::Aborted;
      move_to(walk.Sample(line, stroke.first), true);
      button.Press(MOUSEEVENTF_LEFTDOWN, 0, 0);
      if (!stroke.dot()) move_to(walk.Sample(line, stroke.last), true);
      button.Release(MOUSEEVENTF_LEFTUP, 0, 0);
    }
    // After the last line nothing is drawn where the move leads.
    move_to(walk.NextLine(), line + 1 < lines);
    at = Offset{};
    if (AbortRequested(desktop)) return PlotEnd::Aborted;
    RequireSameDesktop(desktop, area);
    if (progress != nullptr) progress->ColumnDone(line + 1, lines);
  }
  return PlotEnd::Completed;
}

}  // namespace scrivlet
