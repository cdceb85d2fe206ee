// The absolute plotter with the target's own inks: ink by ink, a click on
// the ink's swatch, then that ink's dots or strokes where the black ones
// would go.

#include <cstddef>
#include <optional>
#include <string>

#include "engine/absolute_placement.h"
#include "engine/checked_math.h"
#include "engine/draw_plan.h"
#include "engine/drawing_watch.h"
#include "engine/left_button_guard.h"
#include "engine/plotter.h"
#include "engine/sample_grid.h"

namespace scrivlet {
namespace {

int Lines(const DrawPlan& drawing, const InkPass& pass) {
  return pass.plan.axis == StrokeAxis::Columns ? drawing.columns : drawing.rows;
}

// The swatch, normalised; a swatch off the desktop cannot be clicked.
PixelPoint SwatchClick(const Ink& ink, const DesktopArea& area) {
  const std::int32_t x = CheckedSub32(ink.swatch.x, area.left);
  const std::int32_t y = CheckedSub32(ink.swatch.y, area.top);
  if (!OnDesktop(x, area.width) || !OnDesktop(y, area.height)) {
    throw SettingsError("the swatch at " + std::to_string(ink.swatch.x) + "," +
                        std::to_string(ink.swatch.y) + " is off the desktop");
  }
  return {Normalised(x, area.width), Normalised(y, area.height)};
}

}  // namespace

PlotEnd DrawAbsoluteInColour(PlatformInput& desktop, const PictureView& picture,
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
  for (const InkPass& pass : drawing.passes) {
    SwatchClick(settings.Inks[pass.ink], area);  // refused before any event
  }
  int lines = 0;
  for (const InkPass& pass : drawing.passes) lines += Lines(drawing, pass);
  LeftButtonGuard button(desktop);

  int lines_done = 0;
  for (const InkPass& pass : drawing.passes) {
    if (AbortRequested(desktop)) return PlotEnd::Aborted;
    const Ink& ink = settings.Inks[pass.ink];
    const PixelPoint swatch = SwatchClick(ink, area);
    desktop.InkChosen(ink.swatch, ink.colour);
    desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, swatch.x,
                        swatch.y);
    button.Press(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, swatch.x,
                 swatch.y);
    button.Release(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, swatch.x,
                   swatch.y);
    const StrokePlan& plan = pass.plan;
    std::size_t next = 0;
    for (int line = 0; line < Lines(drawing, pass); ++line) {
      for (; next < plan.strokes.size() &&
             LineOf(plan.strokes[next], plan.axis) == line;
           ++next) {
        const std::optional<Ends> ends =
            OnDesktopPart(plan.strokes[next], place);
        if (!ends) continue;
        if (AbortRequested(desktop)) return PlotEnd::Aborted;
        const PixelPoint from = place.Normal(ends->first);
        PixelPoint to = place.Normal(ends->last);
        desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x,
                            from.y);
        button.Press(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, from.x,
                     from.y);
        if (ends->dot && settings.drag() && !settings.Strokes) {
          // As the black dot plotter: one unit of 0..65535 down.
          to.y = CheckedAdd32(to.y, 1);
        }
        if (to.x != from.x || to.y != from.y) {
          desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, to.x,
                              to.y);
        }
        button.Release(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, to.x, to.y);
      }
      if (AbortRequested(desktop)) return PlotEnd::Aborted;
      RequireSameDesktop(desktop, area);
      if (progress != nullptr) progress->ColumnDone(++lines_done, lines);
    }
  }
  return PlotEnd::Completed;
}

}  // namespace scrivlet
