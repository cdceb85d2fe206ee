#include "engine/checked_math.h"
#include "engine/colour.h"
#include "engine/left_button_guard.h"
#include "engine/plotter.h"
#include "engine/sample_grid.h"

namespace scrivlet {
namespace {

// One axis of a dot's normalised position: (origin + i * magnification)
// scaled so that the desktop area spans 0..65535.
std::int32_t Normalised(std::int32_t origin_from_edge, std::int16_t i,
                        std::int16_t magnification, std::int32_t extent) {
  const std::int32_t pixel =
      CheckedAdd32(origin_from_edge, CheckedMul16(i, magnification));
  const std::int32_t scaled = CheckedMul32(pixel, kAbsoluteSpan);
  return RoundToInt32(CheckedDivide(scaled, extent));
}

}  // namespace

PlotEnd DrawAbsolute(PlatformInput& desktop, const PictureView& picture,
                     const DrawSettings& settings, DrawProgress* progress) {
  const DesktopArea area = desktop.DesktopBounds();
  const ScreenPoint cursor = desktop.GetCursorPos();
  const ScreenPoint origin{CheckedSub32(cursor.x, area.left),
                           CheckedSub32(cursor.y, area.top)};
  const GridEnds grid = StartGrid(picture, settings);
  const int columns = GridCount(grid.column_end, grid.step);
  const double limit = settings.Threshold;
  LeftButtonGuard button(desktop);

  int columns_done = 0;
  for (std::int16_t x = 0; WithinEnd(x, grid.column_end, grid.step);
       x = CheckedAdd16(x, grid.step)) {
    const std::int16_t row_end = RowEnd(picture);
    for (std::int16_t y = 0; WithinEnd(y, row_end, grid.step);
         y = CheckedAdd16(y, grid.step)) {
      if (!IsDark(picture.GetPixel(x, y), limit)) continue;
      const std::int32_t dot_x =
          Normalised(origin.x, x, settings.Magnification, area.width);
      std::int32_t dot_y =
          Normalised(origin.y, y, settings.Magnification, area.height);
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
    if (desktop.GetAsyncKeyState(VK_F8) == kFreshKeyPress) {
      return PlotEnd::Aborted;
    }
    if (progress != nullptr) progress->ColumnDone(++columns_done, columns);
  }
  return PlotEnd::Completed;
}

}  // namespace scrivlet
