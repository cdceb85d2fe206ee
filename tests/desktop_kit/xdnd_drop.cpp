#include "xdnd_drop.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <vector>

#include "x_windows.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;

constexpr long kXdndVersion = 5;
constexpr milliseconds kReplyTimeout{5000};

Atom Named(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

// The protocol version a window speaks, or nullopt if it speaks none.
std::optional<long> AwareVersion(Display* display, Window window) {
  const std::vector<long> version =
      LongsProperty(display, window, Named(display, "XdndAware"), XA_ATOM, 1);
  return version.size() == 1 ? std::optional<long>(version.front())
                             : std::nullopt;
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
  DragSource(DragSource&&) = delete;
  DragSource& operator=(DragSource&&) = delete;
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

}  // namespace

bool DropUris(Display* display, Window target, ScreenPoint at,
              const std::vector<std::string>& uris) {
  const std::optional<long> version = AwareVersion(display, target);
  if (!version) {
    throw std::runtime_error("The window does not accept drops (no XdndAware)");
  }
  std::string list;
  for (const std::string& uri : uris) {
    list += uri + "\r\n";
  }
  DragSource source(display, target, list);
  return source.DropAt(at, std::min(*version, kXdndVersion));
}

}  // namespace scrivlet::testing
