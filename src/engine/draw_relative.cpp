#include "engine/checked_math.h"
#include "engine/colour.h"
#include "engine/drawing_watch.h"
#include "engine/ink_grid.h"
#include "engine/left_button_guard.h"
#include "engine/plotter.h"
#include "engine/sample_grid.h"
#include "engine/stroke_plotter.h"

namespace scrivlet {
namespace {

// The column after x, or x itself where the counter would leave 16 bits
// (the loop's own checked step then reports that).
std::int16_t NextColumn(std::int16_t x, std::int16_t step) {
  const int next = x + step;
  return next == static_cast<std::int16_t>(next)
             ? static_cast<std::int16_t>(next)
             : x;
}

}  // namespace

PlotEnd DrawRelative(PlatformInput& desktop, const PictureView& picture,
                     const DrawSettings& settings, DrawProgress* progress) {
  if (!settings.Inks.empty()) throw ColourNeedsAbsoluteError();
  if (settings.Strokes) {
    return DrawRelativeStrokes(desktop, picture, settings, progress);
  }
  ForgetEarlierAbort(desktop);
  const GridEnds grid = StartGrid(picture, settings);
  const int columns = GridCount(grid.column_end, grid.step);
  const std::int16_t step_down = settings.Magnification;
  const DesktopArea area = desktop.DesktopBounds();
  const InkLookup ink(picture, settings, kRelativeDarknessLimit);
  PointerTracker pointer(desktop);
  LeftButtonGuard button(desktop);

  // Downward movement owed but not yet sent: light samples are skipped
  // without moving, and the debt is paid in one move before the next dot.
  std::int16_t pending = 0;
  int columns_done = 0;
  for (std::int16_t x = 0; WithinEnd(x, grid.column_end, grid.step);
       x = CheckedAdd16(x, grid.step)) {
    std::int16_t column_total = 0;
    const std::int16_t row_end = RowEnd(picture);
    for (std::int16_t y = 0; WithinEnd(y, row_end, grid.step);
         y = CheckedAdd16(y, grid.step)) {
      const bool dark = ink.Ink(x, y);
      pending = CheckedAdd16(pending, step_down);
      column_total = CheckedAdd16(column_total, step_down);
      if (!dark) continue;
      // Checked with the button up, so a stop here leaves it up.
      if (AbortRequested(desktop)) return PlotEnd::Aborted;
      desktop.mouse_event(MOUSEEVENTF_MOVE, 0, pending);
      pointer.Moved(0, pending);
      button.Press(MOUSEEVENTF_LEFTDOWN, 0, 0);
      if (settings.drag()) {
        desktop.mouse_event(MOUSEEVENTF_MOVE, 0, 1);
        button.Release(MOUSEEVENTF_LEFTUP, 0, 0);
        desktop.mouse_event(MOUSEEVENTF_MOVE, 0, -1);
      }
      button.Release(MOUSEEVENTF_LEFTUP, 0, 0);
      pending = 0;
    }
    // Back up to the column's top, one step to the right.
    const std::int16_t back_up = CheckedSub16(pending, column_total);
    desktop.mouse_event(MOUSEEVENTF_MOVE, step_down, back_up);
    // After the last column nothing is drawn where the step right leads.
    if (WithinEnd(NextColumn(x, grid.step), grid.column_end, grid.step)) {
      pointer.Moved(step_down, back_up);
    }
    if (AbortRequested(desktop)) return PlotEnd::Aborted;
    RequireSameDesktop(desktop, area);
    if (progress != nullptr) progress->ColumnDone(++columns_done, columns);
    pending = 0;
  }
  return PlotEnd::Completed;
}

}  // namespace scrivlet
