#include <cstddef>
#include <optional>

#include "engine/absolute_placement.h"
#include "engine/checked_math.h"
#include "engine/draw_plan.h"
#include "engine/drawing_watch.h"
#include "engine/left_button_guard.h"
#include "engine/stroke_plotter.h"

namespace scrivlet {
// The stroke cut to its samples on the desktop; none when it misses it.
// Pixels grow steadily along a stroke, so the samples on it are one run.
std::optional<Ends> OnDesktopPart(const Stroke& stroke,
                                  const Placement& place) {
  const bool down = stroke.first.column == stroke.last.column;
  std::optional<SamplePoint> first;
  SamplePoint last;
  SamplePoint at = stroke.first;
  while (true) {
    if (place.OnIt(place.At(at))) {
      if (!first) first = at;
      last = at;
    }
    if (at == stroke.last) break;
    ++(down ? at.row : at.column);
  }
  if (!first) return std::nullopt;
  return Ends{place.At(*first), place.At(last), *first == last};
}

PlotEnd DrawAbsoluteStrokes(PlatformInput& desktop, const PictureView& picture,
                            const DrawSettings& settings,
                            DrawProgress* progress) {
  ForgetEarlierAbort(desktop);
  const DesktopArea area = desktop.DesktopBounds();
  if (area.width <= 0 || area.height <= 0) {
    throw FloatingPointError("the desktop area is empty");
  }
  const ScreenPoint cursor = desktop.GetCursorPos();
  const Placement place(
      {CheckedSub32(cursor.x, area.left), CheckedSub32(cursor.y, area.top)},
      area, settings);
  const DrawPlan drawing = PlanDrawing(picture, settings, settings.Threshold);
  const StrokePlan& plan = drawing.plan;
  const int lines =
      plan.axis == StrokeAxis::Columns ? drawing.columns : drawing.rows;
  LeftButtonGuard button(desktop);

  std::size_t next = 0;
  for (int line = 0; line < lines; ++line) {
    for (; next < plan.strokes.size() &&
           LineOf(plan.strokes[next], plan.axis) == line;
         ++next) {
      const std::optional<Ends> ends = OnDesktopPart(plan.strokes[next], place);
      if (!ends) continue;
      if (AbortRequested(desktop)) return PlotEnd::Aborted;
      const PixelPoint from = place.Normal(ends->first);
      const PixelPoint to = place.Normal(ends->last);
      desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x,
                          from.y);
      button.Press(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, from.x, from.y);
      if (!ends->dot) {
        desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, to.x,
                            to.y);
      }
      button.Release(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, to.x, to.y);
    }
    if (AbortRequested(desktop)) return PlotEnd::Aborted;
    RequireSameDesktop(desktop, area);
    if (progress != nullptr) progress->ColumnDone(line + 1, lines);
  }
  return PlotEnd::Completed;
}

}  // namespace scrivlet
