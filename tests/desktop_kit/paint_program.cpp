#include "paint_program.h"

#include <X11/Xutil.h>

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

#include "dot_pattern.h"
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

// Windows of a program that was just stopped vanish while they are looked
// at; such errors are expected. Any other error is reported.
int IgnoreVanishedWindows(Display* display, XErrorEvent* error) {
  if (error->error_code != BadWindow) {
    char text[256] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "X error on the paint-program connection: %s\n", text);
  }
  return 0;
}

}  // namespace

ScreenImage PaintProgram::Capture(ScreenRect rect) const {
  XImage* image =
      XGetImage(display_, DefaultRootWindow(display_), rect.left, rect.top,
                static_cast<unsigned>(rect.width),
                static_cast<unsigned>(rect.height), AllPlanes, ZPixmap);
  if (image == nullptr) {
    throw std::runtime_error("Cannot read the screen back");
  }
  ScreenImage shot = ImageOf(rect, [&](ScreenPoint at) {
    return ColourOfXrgb(static_cast<std::uint32_t>(
        XGetPixel(image, at.x - rect.left, at.y - rect.top)));
  });
  XDestroyImage(image);
  return shot;
}

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

PaintProgram::PaintProgram(const std::string& name)
    : PaintProgram([&name] {
        for (const PaintProgramKind& kind : PaintPrograms()) {
          if (kind.name == name) {
            return kind;
          }
        }
        throw std::invalid_argument("unknown paint program " + name);
      }()) {}

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
    for (const std::string& key : kind_.tool_keys) {
      Xdotool({"key", key});
    }
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
  earlier_windows_ = FindWindows({"--name", "."});
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
        for (const Window window :
             FindWindows({"--name", "^" + title_prefix})) {
          if (std::find(earlier_windows_.begin(), earlier_windows_.end(),
                        window) == earlier_windows_.end()) {
            found = window;
            return true;
          }
        }
        return false;
      },
      milliseconds(60000), milliseconds(100));
  if (!shown) {
    throw std::runtime_error(kind_.name + " showed no window titled \"" +
                             title_prefix + "...\"");
  }
  return found;
}

void PaintProgram::Arrange() {
  const std::string canvas = std::to_string(canvas_window_);
  for (const std::string& title : kind_.side_window_titles) {
    Xdotool({"windowmove", std::to_string(WaitForWindow(title)),
             std::to_string(kSideWindowX), "0"});
  }
  // Asked again until it holds: a program that sizes its window itself
  // once mapped (xpaint, now and then) undoes a request that came first.
  const bool placed =
      kind_.full_screen ||
      PollFor(
          [&] {
            XWindowAttributes attributes{};
            XGetWindowAttributes(display_, canvas_window_, &attributes);
            if (attributes.width == kCanvasWindow.width &&
                attributes.height == kCanvasWindow.height &&
                attributes.map_state == IsViewable) {
              return true;
            }
            Xdotool({"windowsize", canvas, std::to_string(kCanvasWindow.width),
                     std::to_string(kCanvasWindow.height), "windowmove", canvas,
                     std::to_string(kCanvasWindow.left),
                     std::to_string(kCanvasWindow.top), "windowraise", canvas});
            return false;
          },
          milliseconds(15000), milliseconds(200));
  if (!placed) {
    throw std::runtime_error(kind_.name + "'s window could not be arranged");
  }
  // The keyboard focus goes to the paint program, as when a user clicks it.
  Xdotool({"windowfocus", canvas});
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
        const ScreenImage image = Capture(window);
        const ScreenPoint centre{origin.x + attributes.width / 2,
                                 origin.y + attributes.height / 2};
        ScreenRect area;
        try {
          area = UniformAreaAround(image, centre);
        } catch (const std::runtime_error&) {
          return false;
        }
        const bool same = last && *last == area;
        last = area;
        canvas_ = area;
        paper_ = image.At(centre).value_or(kInvalidColour);
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
