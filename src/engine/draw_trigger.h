#pragma once

// The draw trigger: on every timer tick it polls F7 and, on a fresh press,
// runs one drawing with the plotter that the coordinate-mode option names.

#include <cstdint>
#include <string>

#include "engine/draw_settings.h"
#include "engine/picture_view.h"
#include "engine/plotter.h"
#include "platform/platform_input.h"

namespace scrivlet {

enum class CoordinateMode : std::uint8_t { Absolute, Relative };

// What the trigger needs from the window around it.
class DrawHost : public DrawProgress {
 public:
  // Which coordinate-mode option is selected now.
  [[nodiscard]] virtual CoordinateMode SelectedMode() const = 0;
  // Switches the polling timer.
  virtual void SetTimerEnabled(bool enabled) = 0;
  // Tells the user, in the window's language, why a drawing did not start or
  // ended early. The tool keeps working afterwards.
  virtual void ReportProblem(const std::string& message) = 0;
};

enum class TickResult : std::uint8_t {
  Idle,     // no fresh F7 press
  Drawn,    // a drawing ran to its end
  Aborted,  // F8 stopped it
  Refused,  // the settings would draw nothing (coarseness 0 or below, a
            // negative threshold); reported, nothing was sent
  Failed,   // an error ended it early; reported, polling re-enabled
};

// One tick of the polling timer.
TickResult DrawTriggerTick(PlatformInput& desktop, const PictureView& picture,
                           const DrawSettings& settings, DrawHost& host);

}  // namespace scrivlet
