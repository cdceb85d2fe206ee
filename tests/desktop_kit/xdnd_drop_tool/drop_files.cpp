// Drops files onto whatever window lies under a screen point, as a file
// manager does (the XDND protocol, version 5: the list offered as
// text/uri-list), and writes what became of the drop to a file:
//
//   scrivlet_xdnd_drop X Y RESULT_FILE PATH...
//
// RESULT_FILE receives one word (accepted or refused) or
// "error: ..." and appears whole, once the drop is over; the exit status says
// the same. Wine starts Unix programs for Windows ones but cannot hand back
// their exit status, so the Windows tests under Wine read this file instead.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform_input.h"
#include "x_windows.h"

namespace {

using scrivlet::ScreenPoint;
using std::chrono::milliseconds;

constexpr long kXdndVersion = 5;
constexpr milliseconds kReplyTimeout{5000};

Atom Named(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

// The X server's time now, read from the event a property change causes:
// selection ownership and drops carry real timestamps.
Time ServerTime(Display* display, Window window) {
  XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend,
                  nullptr, 0);
  XEvent event{};
  XWindowEvent(display, window, PropertyChangeMask, &event);
  return event.xproperty.time;
}

class DragSource {
 public:
  DragSource(Display* display, Window target, std::string data)
      : display_(display),
        target_(target),
        data_(std::move(data)),
        window_(XCreateSimpleWindow(display, DefaultRootWindow(display), -10,
                                    -10, 1, 1, 0, 0, 0)) {
    XSelectInput(display_, window_, PropertyChangeMask);
    time_ = ServerTime(display_, window_);
    XSetSelectionOwner(display_, Interned("XdndSelection"), window_, time_);
  }
  DragSource(const DragSource&) = delete;
  DragSource& operator=(const DragSource&) = delete;
  ~DragSource() {
    XDestroyWindow(display_, window_);
    XSync(display_, False);
  }

  bool DropAt(ScreenPoint at, long version) {
    Send(Interned("XdndEnter"),
         {static_cast<long>(window_), version << 24,
          static_cast<long>(Interned("text/uri-list")), 0, 0});
    Send(Interned("XdndPosition"),
         {static_cast<long>(window_), 0, (long{at.x} << 16) | long{at.y},
          static_cast<long>(time_),
          static_cast<long>(Interned("XdndActionCopy"))});
    const std::optional<XClientMessageEvent> status =
        AwaitMessage(Interned("XdndStatus"));
    if (!status || (status->data.l[1] & 1L) == 0) {
      Send(Interned("XdndLeave"), {static_cast<long>(window_), 0, 0, 0, 0});
      return false;
    }
    Send(Interned("XdndDrop"),
         {static_cast<long>(window_), 0, static_cast<long>(time_), 0, 0});
    return AwaitMessage(Interned("XdndFinished")).has_value();
  }

 private:
  void Send(Atom type, const std::array<long, 5>& data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target_;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    for (std::size_t i = 0; i < data.size(); ++i) {
      event.xclient.data.l[i] = data[i];
    }
    XSendEvent(display_, target_, False, NoEventMask, &event);
    XFlush(display_);
  }

  // Serves requests for the data while waiting for the target's message.
  std::optional<XClientMessageEvent> AwaitMessage(Atom type) {
    const auto deadline = std::chrono::steady_clock::now() + kReplyTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
      while (XPending(display_) > 0) {
        XEvent event{};
        XNextEvent(display_, &event);
        if (event.type == SelectionRequest) {
          Answer(event.xselectionrequest);
        } else if (event.type == ClientMessage &&
                   event.xclient.message_type == type) {
          return event.xclient;
        }
      }
      pollfd connection{ConnectionNumber(display_), POLLIN, 0};
      poll(&connection, 1, 10);
    }
    return std::nullopt;
  }

  void Answer(const XSelectionRequestEvent& request) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    const Atom property =
        request.property != None ? request.property : request.target;
    if (request.target == Interned("text/uri-list")) {
      XChangeProperty(display_, request.requestor, property,
                      Interned("text/uri-list"), 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data_.data()),
                      static_cast<int>(data_.size()));
      reply.xselection.property = property;
    } else if (request.target == Interned("TARGETS")) {
      const std::array<Atom, 2> offered{Interned("TARGETS"),
                                        Interned("text/uri-list")};
      XChangeProperty(display_, request.requestor, property, XA_ATOM, 32,
                      PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered.data()),
                      static_cast<int>(offered.size()));
      reply.xselection.property = property;
    }
    XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
    XFlush(display_);
  }

  [[nodiscard]] Atom Interned(const char* name) const {
    return Named(display_, name);
  }

  Display* display_;
  Window target_;
  std::string data_;
  Window window_;
  Time time_ = CurrentTime;
};

struct AwareWindow {
  Window window = None;
  long version = 0;  // of the protocol it speaks
};

// The innermost window at `at` that takes part in XDND: a managed window's
// XdndAware sits on the client inside the window manager's frame.
std::optional<AwareWindow> FindAwareWindowAt(Display* display, ScreenPoint at) {
  const Window root = DefaultRootWindow(display);
  std::optional<AwareWindow> found;
  for (Window window = root, child = None;; window = child) {
    const std::vector<long> version = scrivlet::testing::LongsProperty(
        display, window, Named(display, "XdndAware"), XA_ATOM, 1);
    if (window != root && version.size() == 1) {
      found = AwareWindow{window, version.front()};
    }
    int x = 0;
    int y = 0;
    if (XTranslateCoordinates(display, root, window, at.x, at.y, &x, &y,
                              &child) == False ||
        child == None) {
      return found;
    }
  }
}

// Waits a little for the window: one its program has just shown may not be
// on the X screen yet (Wine maps its windows after the Windows side shows
// them).
AwareWindow AwareWindowAt(Display* display, ScreenPoint at) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (const auto found = FindAwareWindowAt(display, at)) {
      return *found;
    }
    std::this_thread::sleep_for(milliseconds(100));
  }
  throw std::runtime_error("no window that accepts drops at " +
                           std::to_string(at.x) + "," + std::to_string(at.y));
}

// A local path as a file URI: every byte but the unreserved ones and the
// slashes percent-encoded, as file managers send them.
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const unsigned char byte : path) {
    if (std::isalnum(byte) != 0 || std::strchr("/-._~", byte) != nullptr) {
      uri += static_cast<char>(byte);
    } else {
      uri += '%';
      uri += kHex[byte >> 4U];
      uri += kHex[byte & 0xFU];
    }
  }
  return uri;
}

// Written beside the result and renamed over it: a reader never sees half.
void WriteResult(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  std::ofstream(partial) << text << '\n';
  std::rename(partial.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fputs("usage: scrivlet_xdnd_drop X Y RESULT_FILE PATH...\n", stderr);
    return 2;
  }
  const std::string result_file = argv[3];
  try {
    const ScreenPoint at{std::stoi(argv[1]), std::stoi(argv[2])};
    std::string uris;
    for (int index = 4; index < argc; ++index) {
      uris += FileUri(argv[index]) + "\r\n";
    }
    const std::unique_ptr<Display, decltype(&XCloseDisplay)> display(
        XOpenDisplay(nullptr), XCloseDisplay);
    if (!display) {
      throw std::runtime_error("cannot open the X display");
    }
    const AwareWindow target = AwareWindowAt(display.get(), at);
    const bool accepted =
        DragSource(display.get(), target.window, uris)
            .DropAt(at, std::min(target.version, kXdndVersion));
    WriteResult(result_file, accepted ? "accepted" : "refused");
    return accepted ? 0 : 1;
  } catch (const std::exception& error) {
    WriteResult(result_file, std::string("error: ") + error.what());
    std::fprintf(stderr, "scrivlet_xdnd_drop: %s\n", error.what());
    return 2;
  }
}
