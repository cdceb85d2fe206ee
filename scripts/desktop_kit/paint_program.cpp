#include "paint_program.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;

// Where the canvas window is put and how large: the whole 640 x 480 default
// canvas of both programs fits, with the palettes to its right.
constexpr ScreenRect kCanvasWindow{0, 0, 1000, 800};
constexpr int kSideWindowX = 1010;

template <typename Condition>
bool PollFor(Condition condition, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(milliseconds(20));
  }
  return true;
}

std::vector<Window> ClientWindows(Display* display) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  std::vector<Window> windows;
  if (XGetWindowProperty(display, DefaultRootWindow(display),
                         XInternAtom(display, "_NET_CLIENT_LIST", False), 0,
                         4096, False, XA_WINDOW, &type, &format, &count,
                         &remaining, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* ids = reinterpret_cast<const Window*>(data);
    windows.assign(ids, ids + count);
  }
  if (data != nullptr) {
    XFree(data);
  }
  return windows;
}

std::string WindowTitle(Display* display, Window window) {
  char* name = nullptr;
  std::string title;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    title = name;
    XFree(name);
  }
  return title;
}

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

ScreenPoint RootPosition(Display* display, Window window) {
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x,
                        &y, &child);
  return {x, y};
}

}  // namespace

const std::vector<PaintProgramSpec>& PaintPrograms() {
  static const std::vector<PaintProgramSpec> programs = {
      // mtpaint starts with the rectangle selection; F4 is its paint tool,
      // with the default brush (one pixel, colour A).
      {"mtpaint", {"mtpaint"}, "mtPaint", {"Settings Toolbar"}, {"F4"}},
      // Without -canvas xpaint shows only its tool box.
      {"xpaint", {"xpaint", "-canvas", "-nowarn"}, "Untitled", {"XPaint"}, {}},
  };
  return programs;
}

PaintProgram::PaintProgram(PaintProgramSpec spec)
    : spec_(std::move(spec)), display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) {
    throw std::runtime_error("Cannot open the X display for " + spec_.name);
  }
  static const bool handler_installed =
      (XSetErrorHandler(IgnoreVanishedWindows), true);
  (void)handler_installed;
  try {
    Launch();
    canvas_window_ = WaitForWindow(spec_.canvas_window_title);
    Arrange();
    PickPaintTool();
    FindBlankCanvas();
  } catch (...) {
    Stop();
    throw;
  }
}

PaintProgram::~PaintProgram() { Stop(); }

void PaintProgram::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    const bool ended =
        PollFor([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; },
                milliseconds(3000));
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
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
    throw std::runtime_error("Cannot make a home directory for " + spec_.name);
  }
  home_ = home_template;

  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "HOME=", 5) != 0) {
      environment.emplace_back(*entry);
    }
  }
  environment.push_back("HOME=" + home_);
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (std::string& entry : environment) {
    envp.push_back(entry.data());
  }
  envp.push_back(nullptr);
  std::vector<std::string> command = spec_.command;
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (std::string& argument : command) {
    argv.push_back(argument.data());
  }
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  const int spawned =
      posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    throw std::runtime_error("Cannot start " + spec_.name +
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
      milliseconds(15000));
  if (!shown) {
    std::string titles;
    for (const Window window : ClientWindows(display_)) {
      titles += " \"" + WindowTitle(display_, window) + "\"";
    }
    throw std::runtime_error(spec_.name + " showed no window titled \"" +
                             title_prefix + "...\" (windows:" + titles + ")");
  }
  return found;
}

void PaintProgram::Arrange() {
  for (const std::string& title : spec_.side_window_titles) {
    XMoveWindow(display_, WaitForWindow(title), kSideWindowX, 0);
  }
  XMoveResizeWindow(display_, canvas_window_, kCanvasWindow.x, kCanvasWindow.y,
                    kCanvasWindow.width, kCanvasWindow.height);
  XRaiseWindow(display_, canvas_window_);
  XSync(display_, False);
  const bool placed = PollFor(
      [&] {
        XWindowAttributes attributes{};
        XGetWindowAttributes(display_, canvas_window_, &attributes);
        return attributes.width == kCanvasWindow.width &&
               attributes.height == kCanvasWindow.height &&
               attributes.map_state == IsViewable;
      },
      milliseconds(5000));
  if (!placed) {
    throw std::runtime_error(spec_.name + "'s window could not be arranged");
  }
  // The keyboard focus goes to the paint program, as when a user clicks it.
  XSetInputFocus(display_, canvas_window_, RevertToParent, CurrentTime);
  XSync(display_, False);
}

void PaintProgram::PickPaintTool() {
  for (const std::string& key : spec_.tool_keys) {
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
      milliseconds(10000));
  if (!settled) {
    throw std::runtime_error(spec_.name + " showed no blank canvas");
  }
}

}  // namespace scrivlet::testing
