#pragma once

// The two plotters: they turn the picture and the settings into mouse events.

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "platform/platform_input.h"

namespace scrivlet {

enum class PlotEnd : std::uint8_t { Completed, Aborted };

// Told after every column, so a window can show progress and repaint.
class DrawProgress {
 public:
  DrawProgress() = default;
  DrawProgress(const DrawProgress&) = delete;
  DrawProgress& operator=(const DrawProgress&) = delete;
  DrawProgress(DrawProgress&&) = delete;
  DrawProgress& operator=(DrawProgress&&) = delete;
  virtual ~DrawProgress() = default;
  virtual void ColumnDone(int columns_done, int columns_total) = 0;
};

// Absolute coordinates: each dark sample becomes a click at
// origin + (x, y) * Magnification, the origin being the pointer position.
// Throws DrawError (overflow) and whatever the desktop throws; never leaves
// the left button down. With settings.Dither the dark samples come from the
// ditherer; with settings.Strokes it draws DrawAbsoluteStrokes instead, and
// with settings.Inks DrawAbsoluteInColour.
PlotEnd DrawAbsolute(PlatformInput& desktop, const PictureView& picture,
                     const DrawSettings& settings,
                     DrawProgress* progress = nullptr);

// Ink by ink in InkOrder: InkChosen, a click on the ink's swatch (move,
// press, release on its screen pixel), then that ink's dots (with DragInput
// the black plotter's tiny drag) or strokes. Progress counts the lines of
// all passes. Throws SettingsError, before any event, for a swatch off the
// desktop.
PlotEnd DrawAbsoluteInColour(PlatformInput& desktop, const PictureView& picture,
                             const DrawSettings& settings,
                             DrawProgress* progress = nullptr);

// Relative moves only: walks each column down, clicks dark samples, returns
// to the column's top and steps right. Darkness limit fixed at 200.
// Dither and Strokes as for DrawAbsolute (DrawRelativeStrokes). Throws
// ColourNeedsAbsoluteError, before any event, with settings.Inks.
PlotEnd DrawRelative(PlatformInput& desktop, const PictureView& picture,
                     const DrawSettings& settings,
                     DrawProgress* progress = nullptr);

}  // namespace scrivlet
