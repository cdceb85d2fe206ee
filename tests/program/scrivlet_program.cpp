#include "scrivlet_program.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <csignal>
#include <optional>
#include <regex>
#include <stdexcept>

#include "poll_for.h"
#include "x_windows.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;
constexpr const char* kIdleCaption = "Scrivlet - 手書き入力";
constexpr double kDpi = 96.0;
constexpr milliseconds kStartTimeout{20000};
// Long enough for a key press to be seen by the 10 ms polling timer.
constexpr const char* kKeyHold = "0.1";

// The process that owns a window, as its client says.
std::optional<long> WindowPid(Display* display, Window window) {
  const std::vector<long> pid =
      LongsProperty(display, window, XInternAtom(display, "_NET_WM_PID", False),
                    XA_CARDINAL, 1);
  return pid.size() == 1 ? std::optional<long>(pid.front()) : std::nullopt;
}

}  // namespace

void Xdotool(const std::vector<std::string>& arguments) {
  std::vector<std::string> command{"xdotool"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  RunToSuccess(command);
}

ScrivletProgram::ScrivletProgram(const std::string& executable,
                                 ScreenPoint inner_origin)
    : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) {
    throw std::runtime_error("Cannot open the X display");
  }
  caption_atom_ = XInternAtom(display_, "_NET_WM_NAME", False);
  process_.emplace(std::vector<std::string>{executable});
  try {
    WaitForWindow();
    XSelectInput(display_, window_, PropertyChangeMask);
    MoveInnerAreaTo(inner_origin);
  } catch (...) {
    Stop();
    throw;
  }
}

ScrivletProgram::~ScrivletProgram() { Stop(); }

void ScrivletProgram::Stop() {
  process_.reset();
  if (display_ != nullptr) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
}

void ScrivletProgram::MoveInnerAreaTo(ScreenPoint target) {
  // Window managers differ in whether a move places the frame or the inner
  // area there; aim again by what the first move did.
  ScreenPoint asked = target;
  for (int attempt = 0; attempt < 3; ++attempt) {
    XMoveWindow(display_, window_, asked.x, asked.y);
    XSync(display_, False);
    const auto arrived = [&] {
      const ScreenPoint at = InnerOrigin();
      return at.x == target.x && at.y == target.y;
    };
    if (PollFor(arrived, milliseconds(1000))) {
      return;
    }
    const ScreenPoint at = InnerOrigin();
    asked = {asked.x + target.x - at.x, asked.y + target.y - at.y};
  }
  throw std::runtime_error("The window manager did not move the window");
}

void ScrivletProgram::WaitForWindow() {
  const bool shown = PollFor(
      [&] {
        if (process_->HasExited()) {
          throw std::runtime_error("scrivlet ended before showing its window");
        }
        const std::vector<Window> windows = ClientWindows(display_);
        const auto ours =
            std::find_if(windows.begin(), windows.end(), [&](Window window) {
              return WindowPid(display_, window) == process_->pid();
            });
        if (ours == windows.end()) {
          return false;
        }
        window_ = *ours;
        return true;
      },
      kStartTimeout);
  if (!shown) {
    throw std::runtime_error("scrivlet showed no window");
  }
  PollFor([&] { return Caption() == kIdleCaption; }, milliseconds(2000));
}

ScreenPoint ScrivletProgram::InnerOrigin() const {
  return RootPosition(display_, window_);
}

ScreenPoint ScrivletProgram::CentreOf(
    const std::vector<TwipRect>& containers_and_control) const {
  ScreenPoint at = InnerOrigin();
  for (const TwipRect& rect : containers_and_control) {
    at.x += TwipsToPixels(rect.left, kDpi);
    at.y += TwipsToPixels(rect.top, kDpi);
  }
  const TwipRect& control = containers_and_control.back();
  return {at.x + TwipsToPixels(control.width, kDpi) / 2,
          at.y + TwipsToPixels(control.height, kDpi) / 2};
}

ScreenPoint ScrivletProgram::TabCentre(int index) const {
  // The tab control keeps 120 twips from each edge; three equal tabs share
  // its width, and the strip is 295 twips high.
  constexpr int kMargin = 120;
  constexpr int kTabHeight = 295;
  constexpr int kTabsPerRow = 3;
  XWindowAttributes inner{};
  XGetWindowAttributes(display_, window_, &inner);
  const int margin = TwipsToPixels(kMargin, kDpi);
  const int strip_width = inner.width - 2 * margin;
  const ScreenPoint origin = InnerOrigin();
  return {origin.x + margin + (2 * index + 1) * strip_width / (2 * kTabsPerRow),
          origin.y + margin + TwipsToPixels(kTabHeight, kDpi) / 2};
}

void ScrivletProgram::Click(ScreenPoint at) const {
  Xdotool(
      {"mousemove", std::to_string(at.x), std::to_string(at.y), "click", "1"});
}

void ScrivletProgram::TypeInto(ScreenPoint box, const std::string& text) const {
  Xdotool({"mousemove", std::to_string(box.x), std::to_string(box.y), "click",
           "1", "key", "ctrl+a", "type", "--delay", "20", text});
}

int ScrivletProgram::CaptionChanges() {
  while (XPending(display_) > 0) {
    XEvent event{};
    XNextEvent(display_, &event);
    if (event.type == PropertyNotify && event.xproperty.atom == caption_atom_) {
      ++caption_changes_;
    }
  }
  return caption_changes_;
}

bool ScrivletProgram::DrawAt(ScreenPoint at, milliseconds timeout) {
  XSync(display_, False);
  CaptionChanges();
  caption_changes_ = 0;
  Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y), "keydown",
           "F7", "sleep", kKeyHold, "keyup", "F7"});
  return WaitForCaptionReturn(timeout);
}

bool ScrivletProgram::WaitForCaptionReturn(milliseconds timeout) {
  // The caption changes only while a drawing runs: once it has changed,
  // the plain caption means the drawing is over.
  return PollFor(
      [&] {
        XSync(display_, False);
        return CaptionChanges() > 0 && Caption() == kIdleCaption;
      },
      timeout);
}

bool ScrivletProgram::WaitForProgress(int percent, milliseconds timeout) const {
  // The percentage in a drawing caption such as "... (描画中 42%)".
  const std::regex shown("([0-9]+)%");
  return PollFor(
      [&] {
        const std::string caption = Caption();
        std::smatch match;
        return std::regex_search(caption, match, shown) &&
               std::stoi(match[1]) >= percent;
      },
      timeout);
}

bool ScrivletProgram::CloseAndWait(milliseconds timeout) {
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window_;
  close.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] =
      static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window_, False, NoEventMask, &close);
  XFlush(display_);
  return PollFor([&] { return process_->HasExited(); }, timeout,
                 milliseconds(20));
}

bool ScrivletProgram::TapF8UntilStopped(milliseconds timeout) {
  Xdotool({"key", "F8"});
  return WaitForCaptionReturn(timeout);
}

std::optional<int> ScrivletProgram::EndWith(int signal, milliseconds timeout) {
  if (::kill(process_->pid(), signal) != 0) {
    throw std::runtime_error("Cannot signal scrivlet");
  }
  return process_->WaitFor(timeout);
}

std::string ScrivletProgram::Caption() const {
  return TextProperty(display_, window_, caption_atom_);
}

}  // namespace scrivlet::testing
