#pragma once

// The whole program on headless sway: the paint program `drawing` and
// scrivlet started as a user would start them, their windows found through
// sway's IPC (swaymsg), the pointer moved and clicked by a virtual pointer of
// the test's own, keys pressed with wtype, commands given with scrivlet
// itself. Apart from the X11 parts of the kit: Qt's JSON and Xlib's macros
// do not mix.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "input_mark.h"
#include "platform/platform_input.h"
#include "window/core/twips.h"

namespace scrivlet::testing {

struct SwayWindow {
  std::string title;
  ScreenPoint origin;
  ScreenPoint size;
};

// The window whose app_id is `app_id`, if sway shows one.
std::optional<SwayWindow> FindSwayWindow(const std::string& app_id);

// `path`, or a copy of it in `dir` when the session's user cannot run it
// there (a build tree below a private home).
std::string ReachableExecutable(const std::string& path,
                                const std::string& dir);

class SwayStage {
 public:
  // `drawing` with a blank canvas, and scrivlet floating beside it, both run
  // as the session's user.
  explicit SwayStage(const std::string& scrivlet);
  SwayStage(const SwayStage&) = delete;
  SwayStage& operator=(const SwayStage&) = delete;
  SwayStage(SwayStage&&) = delete;
  SwayStage& operator=(SwayStage&&) = delete;
  ~SwayStage();

  [[nodiscard]] const ScreenRect& Canvas() const { return canvas_; }
  [[nodiscard]] const std::string& Executable() const { return executable_; }
  // Runs scrivlet with these arguments, as the session's user, to its end.
  [[nodiscard]] Finished Scrivlet(std::vector<std::string> arguments) const;

  void MoveTo(ScreenPoint to) const;
  void Click(ScreenPoint at) const;
  // Clicks the settings tab, then the control at `place` on it (in twips
  // inside the settings frame, as at 96 DPI).
  void ClickSetting(const TwipRect& place) const;
  // Returns once the window has handled every key and click sent before.
  void WaitForInputHandled() const { mark_->Wait(); }
  // scrivlet's caption now.
  [[nodiscard]] std::string Caption() const;
  // Reads the screen through the test's own connection.
  [[nodiscard]] ScreenImage Capture(ScreenRect rect) const;

 private:
  std::string config_dir_;
  std::string executable_;
  std::unique_ptr<PlatformInput> mouse_;
  ChildProcess keyboard_;
  std::unique_ptr<ChildProcess> paint_;
  std::unique_ptr<ChildProcess> scrivlet_;
  ScreenRect canvas_;
  SwayWindow window_;
  std::unique_ptr<InputMark> mark_;
};

}  // namespace scrivlet::testing
