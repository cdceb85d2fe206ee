#include "paint_program.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "poll_for.h"
#include "x_windows.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;

// Where the canvas window is put and how large: the whole 640 x 480 default
// canvas of both programs fits, with the palettes to its right.
constexpr ScreenRect kCanvasWindow{0, 0, 1000, 800};
constexpr int kSideWindowX = 1010;
// Each look at the canvas reads the whole window back: not too often.
constexpr milliseconds kPollInterval{20};

constexpr const char* kFirefoxPrefs = R"(
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("startup.homepage_welcome_url", "");
user_pref("startup.homepage_welcome_url.additional", "");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.policy.firstRunURL", "");
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("browser.sessionstore.resume_from_crash", false);
user_pref("browser.translations.automaticallyPopup", false);
user_pref("app.update.disabledForTesting", true);
user_pref("layout.css.devPixelsPerPx", "1.0");
)";

// Windows of a program that was just stopped vanish while the client list
// is read; such errors are expected. Any other error is reported.
int IgnoreVanishedWindows(Display* display, XErrorEvent* error) {
  if (error->error_code != BadWindow) {
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error on the paint-program connection: %s\n", text);
  }
  return 0;
}

}  // namespace

const std::vector<PaintProgramKind>& PaintPrograms() {
  static const std::vector<PaintProgramKind> programs = {
      // mtpaint starts with the rectangle selection; F4 is its paint tool,
      // with the default brush (one pixel, colour A).
      {"mtpaint",
       {"mtpaint"},
       "mtPaint",
       {"Settings Toolbar"},
       {"F4"},
       {},
       false},
      // Without -canvas xpaint shows only its tool box.
      {"xpaint",
       {"xpaint", "-canvas", "-nowarn"},
       "Untitled",
       {"XPaint"},
       {},
       {},
       false},
      // A throwaway profile whose prefs skip every first-run page.
      {"canvas-page",
       {"firefox-esr", "--kiosk", "--no-remote", "--profile", "{home}/profile",
        std::string("file://") + SCRIVLET_DESKTOP_KIT_DIR +
            "/canvas_page.html"},
       "Scrivlet canvas",
       {},
       {},
       {{"profile/user.js", kFirefoxPrefs}},
       true},
  };
  return programs;
}

PaintProgram::PaintProgram(PaintProgramKind kind)
    : kind_(std::move(kind)), display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) {
    throw std::runtime_error("Cannot open the X display for " + kind_.name);
  }
  static const bool handler_installed =
      (XSetErrorHandler(IgnoreVanishedWindows), true);
  (void)handler_installed;
  try {
    Launch();
    canvas_window_ = WaitForWindow(kind_.canvas_window_title);
    Arrange();
    FindBlankCanvas();
    // Once the canvas shows: a program that opens a picture at start picks
    // its default tool again when the picture has loaded.
    PickPaintTool();
  } catch (...) {
    Stop();
    throw;
  }
}

PaintProgram::~PaintProgram() { Stop(); }

void PaintProgram::Stop() {
  process_.reset();
  if (!home_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
    home_.clear();
  }
  if (display_ != nullptr) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
}

void PaintProgram::Launch() {
  // Windows already there belong to someone else, even if titled alike.
  // The window manager's list may still name windows of a program that has
  // just ended, whose ids the new program can get again: skip those.
  earlier_windows_.clear();
  for (const Window window : ClientWindows(display_)) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window, &attributes) != 0) {
      earlier_windows_.push_back(window);
    }
  }
  // A fresh home directory: no settings left from an earlier run.
  std::string home_template =
      (std::filesystem::temp_directory_path() / "scrivlet-paint-XXXXXX")
          .string();
  if (mkdtemp(home_template.data()) == nullptr) {
    throw std::runtime_error("Cannot make a home directory for " + kind_.name);
  }
  home_ = home_template;
  for (const auto& [path, content] : kind_.home_files) {
    const std::filesystem::path file = std::filesystem::path(home_) / path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << content;
  }
  std::vector<std::string> command = kind_.command;
  for (std::string& argument : command) {
    if (const auto at = argument.find("{home}"); at != std::string::npos) {
      argument.replace(at, 6, home_);
    }
  }

  try {
    process_.emplace(command, ChildOptions{{"HOME=" + home_}, true, {}});
  } catch (const std::runtime_error& error) {
    throw std::runtime_error(std::string(error.what()) +
                             " (is it installed? scripts/deps.sh desktop)");
  }
}

Window PaintProgram::WaitForWindow(const std::string& title_prefix) {
  Window found = 0;
  const bool shown = PollFor(
      [&] {
        for (const Window window : ClientWindows(display_)) {
          if (std::find(earlier_windows_.begin(), earlier_windows_.end(),
                        window) == earlier_windows_.end() &&
              WindowTitle(display_, window).rfind(title_prefix, 0) == 0) {
            found = window;
            return true;
          }
        }
        return false;
      },
      milliseconds(60000), kPollInterval);
  if (!shown) {
    std::string titles;
    for (const Window window : ClientWindows(display_)) {
      titles += " \"" + WindowTitle(display_, window) + "\"";
    }
    throw std::runtime_error(kind_.name + " showed no window titled \"" +
                             title_prefix + "...\" (windows:" + titles + ")");
  }
  return found;
}

void PaintProgram::Arrange() {
  if (kind_.full_screen) {
    XSetInputFocus(display_, canvas_window_, RevertToParent, CurrentTime);
    XSync(display_, False);
    return;
  }
  for (const std::string& title : kind_.side_window_titles) {
    XMoveWindow(display_, WaitForWindow(title), kSideWindowX, 0);
  }
  // Asked again until it holds: a program that sizes its window itself
  // once mapped (xpaint, now and then) undoes a request that came first.
  const bool placed = PollFor(
      [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, canvas_window_, &attributes);
        if (attributes.width == kCanvasWindow.width &&
            attributes.height == kCanvasWindow.height &&
            attributes.map_state == IsViewable) {
          return true;
        }
        XMoveResizeWindow(display_, canvas_window_, kCanvasWindow.x,
                          kCanvasWindow.y, kCanvasWindow.width,
                          kCanvasWindow.height);
        XRaiseWindow(display_, canvas_window_);
        XSync(display_, False);
        return false;
      },
      milliseconds(15000), milliseconds(200));
  if (!placed) {
    throw std::runtime_error(kind_.name + "'s window could not be arranged");
  }
  // The keyboard focus goes to the paint program, as when a user clicks it.
  XSetInputFocus(display_, canvas_window_, RevertToParent, CurrentTime);
  XSync(display_, False);
}

void PaintProgram::PickPaintTool() {
  for (const std::string& key : kind_.tool_keys) {
    const KeyCode code =
        XKeysymToKeycode(display_, XStringToKeysym(key.c_str()));
    if (code == 0) {
      throw std::runtime_error("No key " + key + " on the test keyboard");
    }
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
  }
  XSync(display_, False);
}

void PaintProgram::FindBlankCanvas() {
  // The program repaints after the resize; wait until two looks agree.
  std::optional<ScreenRect> last;
  const bool settled = PollFor(
      [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, canvas_window_, &attributes);
        const ScreenPoint origin = RootPosition(display_, canvas_window_);
        const ScreenRect window{origin.x, origin.y, attributes.width,
                                attributes.height};
        const ScreenImage image = CaptureScreen(display_, window);
        const ScreenPoint centre{origin.x + attributes.width / 2,
                                 origin.y + attributes.height / 2};
        ScreenRect area;
        try {
          area = UniformAreaAround(image, centre);
        } catch (const std::runtime_error&) {
          return false;
        }
        const bool same = last && last->x == area.x && last->y == area.y &&
                          last->width == area.width &&
                          last->height == area.height;
        last = area;
        canvas_ = area;
        paper_ = image.At(centre);
        return same && area.width >= 300 && area.height >= 200;
      },
      // A compositor under load may take seconds to map and repaint it.
      milliseconds(30000), kPollInterval);
  if (!settled) {
    throw std::runtime_error(
        kind_.name + " showed no blank canvas (last uniform area " +
        (last ? std::to_string(last->width) + "x" + std::to_string(last->height)
              : std::string("none")) +
        ")");
  }
}

}  // namespace scrivlet::testing
