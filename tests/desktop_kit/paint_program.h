#pragma once

// A real paint program from Debian's packages, started at its default
// settings (a fresh private home), arranged on the test desktop so that its
// canvas is in view, and stopped again by process id.

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "child_process.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

struct PaintProgramKind {
  std::string name;
  std::vector<std::string> command;
  // The title the window that holds the canvas starts with.
  std::string canvas_window_title;
  // Further windows (tool palettes) that are moved beside the canvas window.
  std::vector<std::string> side_window_titles;
  // Keys that pick the paint tool where it is not the one chosen at start.
  std::vector<std::string> tool_keys;
  // Files (path in the fresh home, content) written before the start;
  // "{home}" in the command stands for that home.
  std::vector<std::pair<std::string, std::string>> home_files;
  // A full-screen window (a browser in kiosk mode) is left where it is.
  bool full_screen = false;
};

// mtpaint, xpaint, and canvas-page: Firefox ESR in kiosk mode on a page
// whose canvas paints on pointer events, as drawing games do.
const std::vector<PaintProgramKind>& PaintPrograms();

class PaintProgram {
 public:
  // Starts the program and waits until its blank canvas shows; throws
  // std::runtime_error if it does not.
  explicit PaintProgram(PaintProgramKind kind);
  // The same for the kind of PaintPrograms() with that name.
  explicit PaintProgram(const std::string& name);
  PaintProgram(const PaintProgram&) = delete;
  PaintProgram& operator=(const PaintProgram&) = delete;
  ~PaintProgram();

  [[nodiscard]] Display* display() const { return display_; }
  // The blank part of the canvas in view, and its colour.
  [[nodiscard]] const ScreenRect& canvas() const { return canvas_; }
  [[nodiscard]] COLORREF paper() const { return paper_; }

  // Reads `rect` of the screen (24-bit TrueColor screens).
  [[nodiscard]] ScreenImage Capture(ScreenRect rect) const;

 private:
  void Launch();
  Window WaitForWindow(const std::string& title_prefix);
  void Arrange();
  void FindBlankCanvas();
  void Stop();

  PaintProgramKind kind_;
  Display* display_ = nullptr;
  std::string home_;
  std::optional<ChildProcess> process_;
  std::vector<Window> earlier_windows_;
  Window canvas_window_ = 0;
  ScreenRect canvas_;
  COLORREF paper_ = 0;
};

}  // namespace scrivlet::testing
