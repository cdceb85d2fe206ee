#include "engine/draw_trigger.h"

#include <exception>

#include "engine/drawing_watch.h"
#include "engine/messages.h"

namespace scrivlet {
namespace {

// Polling resumes however the drawing ends, so the next F7 always works.
class TimerPause {
 public:
  explicit TimerPause(DrawHost& host) : host_(host) {
    host_.SetTimerEnabled(false);
  }
  TimerPause(const TimerPause&) = delete;
  TimerPause& operator=(const TimerPause&) = delete;
  TimerPause(TimerPause&&) = delete;
  TimerPause& operator=(TimerPause&&) = delete;
  ~TimerPause() { host_.SetTimerEnabled(true); }

 private:
  DrawHost& host_;
};

// Ends a drawing the plotter left with an error, which wins over any here.
void EndAfterError(PlatformInput& desktop, bool drop_held) {
  try {
    if (drop_held) desktop.DrawingAborted();
    desktop.DrawingEnded();
  } catch (...) {  // NOLINT(bugprone-empty-catch): the plotter's error wins
  }
}

TickResult RunPlotter(PlatformInput& desktop, const PictureView& picture,
                      const DrawSettings& settings, DrawHost& host) {
  // The desktop is told where each drawing starts and ends, however it
  // ends, so that delivery never mixes up two drawings.
  desktop.DrawingStarted();
  PlotEnd end = PlotEnd::Aborted;
  try {
    const DesktopArea area = desktop.DesktopBounds();
    end = host.SelectedMode() == CoordinateMode::Absolute
              ? DrawAbsolute(desktop, picture, settings, &host)
              : DrawRelative(desktop, picture, settings, &host);
    if (end == PlotEnd::Completed) {
      // Delivery may still hold the last dots, and F8 or a change of the
      // desktop stops them too: the drawing is whole only once they went.
      desktop.Flush();
      end = AbortRequested(desktop) ? PlotEnd::Aborted : end;
      RequireSameDesktop(desktop, area);
    }
  } catch (const DesktopChangedError&) {
    // What delivery still holds was placed for the desktop before the change.
    EndAfterError(desktop, true);
    throw;
  } catch (...) {
    EndAfterError(desktop, false);
    throw;
  }
  if (end == PlotEnd::Aborted) {
    // The stop may have been answered by a layer in front of delivery (the
    // window closing): what delivery holds goes no further either.
    desktop.DrawingAborted();
  }
  desktop.DrawingEnded();
  return end == PlotEnd::Completed ? TickResult::Drawn : TickResult::Aborted;
}

// Settings that would draw nothing are refused before any event, with the
// reason; an empty text lets the drawing start.
std::string Refusal(const DrawSettings& settings, CoordinateMode mode) {
  // A zero step never advances the sampling loops.
  if (settings.Coarseness == 0) return CoarsenessZeroMessage();
  // A negative step ends the loops before their first sample.
  if (settings.Coarseness < 0) return CoarsenessNegativeMessage();
  // No brightness is below 0; relative mode uses its own fixed limit.
  if (mode == CoordinateMode::Absolute && settings.Threshold < 0) {
    return ThresholdNegativeMessage();
  }
  return {};
}

}  // namespace

TickResult DrawTriggerTick(PlatformInput& desktop, const PictureView& picture,
                           const DrawSettings& settings, DrawHost& host) {
  if (desktop.GetAsyncKeyState(VK_F7) != kFreshKeyPress) {
    return TickResult::Idle;
  }
  const TimerPause pause(host);
  if (const std::string refusal = Refusal(settings, host.SelectedMode());
      !refusal.empty()) {
    host.ReportProblem(refusal);
    return TickResult::Refused;
  }
  try {
    return RunPlotter(desktop, picture, settings, host);
  } catch (const std::exception& error) {
    host.ReportProblem(DrawFailedMessage(error));
    return TickResult::Failed;
  }
}

}  // namespace scrivlet
