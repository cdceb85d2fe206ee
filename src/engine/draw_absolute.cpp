#include "engine/absolute_coordinates.h"
#include "engine/checked_math.h"
#include "engine/drawing_watch.h"
#include "engine/ink_grid.h"
#include "engine/left_button_guard.h"
#include "engine/plotter.h"
#include "engine/sample_grid.h"
#include "engine/stroke_plotter.h"

namespace scrivlet {
PlotEnd DrawAbsolute(PlatformInput& desktop, const PictureView& picture,
                     const DrawSettings& settings, DrawProgress* progress) {
  if (!settings.Inks.empty()) {
    return DrawAbsoluteInColour(desktop, picture, settings, progress);
  }
  if (settings.Strokes) {
    return DrawAbsoluteStrokes(desktop, picture, settings, progress);
  }
  ForgetEarlierAbort(desktop);
  const DesktopArea area = desktop.DesktopBounds();
  if (area.width <= 0 || area.height <= 0) {
    throw FloatingPointError("the desktop area is empty");
  }
  const ScreenPoint cursor = desktop.GetCursorPos();
  const ScreenPoint origin{CheckedSub32(cursor.x, area.left),
                           CheckedSub32(cursor.y, area.top)};
  const GridEnds grid = StartGrid(picture, settings);
  const int columns = GridCount(grid.column_end, grid.step);
  const InkLookup ink(picture, settings, settings.Threshold);
  LeftButtonGuard button(desktop);

  int columns_done = 0;
  for (std::int16_t x = 0; WithinEnd(x, grid.column_end, grid.step);
       x = CheckedAdd16(x, grid.step)) {
    const std::int16_t row_end = RowEnd(picture);
    for (std::int16_t y = 0; WithinEnd(y, row_end, grid.step);
         y = CheckedAdd16(y, grid.step)) {
      if (!ink.Ink(x, y)) continue;
      const std::int32_t pixel_x = Pixel(origin.x, x, settings.Magnification);
      const std::int32_t pixel_y = Pixel(origin.y, y, settings.Magnification);
      if (!OnDesktop(pixel_x, area.width) || !OnDesktop(pixel_y, area.height)) {
        continue;
      }
      if (AbortRequested(desktop)) return PlotEnd::Aborted;
      const std::int32_t dot_x = Normalised(pixel_x, area.width);
      std::int32_t dot_y = Normalised(pixel_y, area.height);
      desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dot_x,
                          dot_y);
      button.Press(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, dot_x, dot_y);
      if (settings.drag()) {
        // One unit of the 0..65535 range, not one pixel.
        dot_y = CheckedAdd32(dot_y, 1);
        desktop.mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dot_x,
                            dot_y);
      }
      button.Release(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, dot_x, dot_y);
    }
    if (AbortRequested(desktop)) return PlotEnd::Aborted;
    RequireSameDesktop(desktop, area);
    if (progress != nullptr) progress->ColumnDone(++columns_done, columns);
  }
  return PlotEnd::Completed;
}

}  // namespace scrivlet
