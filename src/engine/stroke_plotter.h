#pragma once

// The line style of both plotters: each planned stroke is a move to its
// first sample, a press, a move to its last sample and a release. The
// samples land where the dot plotters put their dots.
//
// No moves are sent in between: targets that composite or run in a browser
// join two motion events themselves, and paint programs draw a straight line
// between successive motion events while the button is held.

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "engine/plotter.h"
#include "platform/platform_input.h"

namespace scrivlet {

// Absolute events, darkness limit Threshold. A stroke partly off the
// desktop is cut to its samples on it; DragInput has no meaning. F8 is
// checked before every stroke and after every line, progress is told per
// line of the chosen axis.
PlotEnd DrawAbsoluteStrokes(PlatformInput& desktop, const PictureView& picture,
                            const DrawSettings& settings,
                            DrawProgress* progress = nullptr);

// Relative moves only, darkness limit fixed at 200. Each line starts one
// step before its first sample (a column at its top, a row at its left end
// one step up) and ends with a move to the next line's start.
PlotEnd DrawRelativeStrokes(PlatformInput& desktop, const PictureView& picture,
                            const DrawSettings& settings,
                            DrawProgress* progress = nullptr);

}  // namespace scrivlet
