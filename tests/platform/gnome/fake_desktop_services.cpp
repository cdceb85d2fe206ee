#include "fake_desktop_services.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>

namespace scrivlet::testing {
namespace {

const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kShortcuts = "org.freedesktop.portal.GlobalShortcuts";
const char* const kShortcutsSession =
    "/org/freedesktop/portal/desktop/session/1_1/fake";
const char* const kFakeStream = "/org/gnome/Mutter/ScreenCast/Stream/u1";

std::string Short(const char* interface) {
  std::string name = interface != nullptr ? interface : "";
  for (const char* prefix : {"org.gnome.Mutter.", "org.freedesktop.portal.",
                             "org.freedesktop.DBus."}) {
    if (name.rfind(prefix, 0) == 0) {
      return name.substr(std::strlen(prefix));
    }
  }
  return name;
}

// The string value of `key` in an a{sv} argument; empty when absent.
std::string StringOption(sd_bus_message* call, const char* key) {
  std::string found;
  sd_bus_message_enter_container(call, 'a', "{sv}");
  while (sd_bus_message_enter_container(call, 'e', "sv") > 0) {
    const char* name = nullptr;
    sd_bus_message_read(call, "s", &name);
    const char* value = nullptr;
    if (std::strcmp(name, key) == 0 &&
        sd_bus_message_read(call, "v", "s", &value) >= 0) {
      found = value;
    } else {
      sd_bus_message_skip(call, "v");
    }
    sd_bus_message_exit_container(call);
  }
  sd_bus_message_exit_container(call);
  return found;
}

int ReplyDisplayState(sd_bus_message* call) {
  return sd_bus_reply_method_return(
      call, "ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}", 1U,
      // Monitors, each with its modes.
      2, "DP-1", "Fake", "Wide", "1", 1, "1920x1080", 1920, 1080, 60.0, 1.0, 1,
      1.0, 1, "is-current", "b", 1, 0, "Virtual-1", "Fake", "Small", "2", 2,
      "1280x800", 1280, 800, 60.0, 1.0, 1, 1.0, 1, "is-current", "b", 1,
      "1920x1200", 1920, 1200, 60.0, 1.0, 1, 1.0, 2, "is-current", "b", 0,
      "is-preferred", "b", 1, 0,
      // Logical monitors: DP-1 left, the primary Virtual-1 right of it,
      // at scale 2 and turned by 90 degrees.
      2, 0, 0, 1.0, 0U, 0, 1, "DP-1", "Fake", "Wide", "1", 0, 1920, 0, 2.0, 1U,
      1, 1, "Virtual-1", "Fake", "Small", "2", 0,
      // Properties.
      1, "layout-mode", "u", 1U);
}

// A portal call answers with a request object at once and with the
// request's Response signal later, naming the session where it made one.
int AnswerRequest(sd_bus* bus, sd_bus_message* call, const std::string& step,
                  std::uint32_t code, const char* session) {
  const std::string request = std::string(kPortalPath) + "/request/1_1/" + step;
  const int result = sd_bus_reply_method_return(call, "o", request.c_str());
  if (result < 0) {
    return result;
  }
  const char* const response = "org.freedesktop.portal.Request";
  return session == nullptr
             ? sd_bus_emit_signal(bus, request.c_str(), response, "Response",
                                  "ua{sv}", code, 0)
             : sd_bus_emit_signal(bus, request.c_str(), response, "Response",
                                  "ua{sv}", code, 1, "session_handle", "o",
                                  session);
}

}  // namespace

FakeDesktopServices::FakeDesktopServices(FakeServices services)
    : services_(std::move(services)) {
  if (sd_bus_open_user(&bus_) < 0) {
    throw std::runtime_error("the fake cannot reach the session bus");
  }
  const std::vector<const char*> names =
      services_.portal ? std::vector{"org.freedesktop.portal.Desktop"}
                       : std::vector{"org.gnome.Mutter.RemoteDesktop",
                                     "org.gnome.Mutter.ScreenCast",
                                     "org.gnome.Mutter.DisplayConfig"};
  for (const char* name : names) {
    if (sd_bus_request_name(bus_, name, 0) < 0) {
      throw std::runtime_error(std::string("the fake cannot own ") + name);
    }
  }
  sd_bus_add_fallback(
      bus_, nullptr, "/",
      [](sd_bus_message* call, void* data, sd_bus_error* /*error*/) {
        if (sd_bus_message_is_method_call(call, nullptr, nullptr) <= 0) {
          return 0;
        }
        return static_cast<FakeDesktopServices*>(data)->Answer(
            call, Short(sd_bus_message_get_interface(call)) + "." +
                      sd_bus_message_get_member(call));
      },
      this);
  thread_ = std::thread([this] { Serve(); });
}

FakeDesktopServices::~FakeDesktopServices() {
  stop_ = true;
  thread_.join();
  sd_bus_flush_close_unref(bus_);
}

std::vector<std::string> FakeDesktopServices::Calls() {
  const std::lock_guard lock(mutex_);
  return calls_;
}

void FakeDesktopServices::Activate(const std::string& id) {
  const std::lock_guard lock(mutex_);
  activations_.push_back(id);
}

void FakeDesktopServices::Serve() {
  while (!stop_) {
    {
      const std::lock_guard lock(mutex_);
      for (const std::string& id : activations_) {
        sd_bus_emit_signal(bus_, kPortalPath, kShortcuts, "Activated",
                           "osta{sv}", kShortcutsSession, id.c_str(),
                           std::uint64_t{0}, 0);
      }
      activations_.clear();
    }
    if (sd_bus_process(bus_, nullptr) == 0) {
      sd_bus_wait(bus_, 10'000);
    }
  }
}

int FakeDesktopServices::Answer(sd_bus_message* call, const std::string& name) {
  std::string record = name;
  const auto path = [call](const char* object) {
    return [=] { return sd_bus_reply_method_return(call, "o", object); };
  };
  const auto empty = [call] { return sd_bus_reply_method_return(call, ""); };
  std::function<int()> reply;
  if (name == services_.refuse) {
    reply = [=] {
      return sd_bus_reply_method_errorf(call, SD_BUS_ERROR_FAILED,
                                        "the fake refuses %s", name.c_str());
    };
  } else if (name == "RemoteDesktop.CreateSession") {
    reply = path("/org/gnome/Mutter/RemoteDesktop/Session/u1");
  } else if (name == "ScreenCast.CreateSession") {
    reply = path("/org/gnome/Mutter/ScreenCast/Session/u1");
  } else if (name == "Properties.Get") {
    const char* interface = nullptr;
    const char* property = nullptr;
    sd_bus_message_read(call, "ss", &interface, &property);
    if (std::strcmp(property, "SessionId") == 0) {
      reply = [=] {
        return sd_bus_reply_method_return(call, "v", "s", "rd-1");
      };
    } else if (std::strcmp(interface, kShortcuts) == 0 && services_.shortcuts) {
      reply = [=] { return sd_bus_reply_method_return(call, "v", "u", 1U); };
    } else {
      reply = [=] {
        return sd_bus_reply_method_errorf(call, SD_BUS_ERROR_UNKNOWN_INTERFACE,
                                          "no interface %s", interface);
      };
    }
  } else if (name == "ScreenCast.Session.RecordMonitor") {
    const char* connector = nullptr;
    sd_bus_message_read(call, "s", &connector);
    record += std::string(" ") + connector;
    reply = path(kFakeStream);
  } else if (name == "RemoteDesktop.Session.NotifyPointerButton") {
    std::int32_t button = 0;
    int pressed = 0;
    sd_bus_message_read(call, "ib", &button, &pressed);
    record += " " + std::to_string(button) + " " + std::to_string(pressed);
    reply = empty;
  } else if (name == "RemoteDesktop.Session.Start") {
    // Then names the stream's PipeWire node, as mutter does; the tests'
    // machine has no PipeWire to join it on.
    reply = [=, this] {
      const int sent = empty();
      return sent < 0 ? sent
                      : sd_bus_emit_signal(bus_, kFakeStream,
                                           "org.gnome.Mutter.ScreenCast.Stream",
                                           "PipeWireStreamAdded", "u", 42U);
    };
  } else if (name == "RemoteDesktop.Session.NotifyPointerMotionAbsolute") {
    const char* stream = nullptr;
    double x = 0;
    double y = 0;
    sd_bus_message_read(call, "sdd", &stream, &x, &y);
    char where[64];
    std::snprintf(where, sizeof where, " %g %g", x, y);
    record += where;
    reply = empty;
  } else if (name == "RemoteDesktop.Session.NotifyPointerMotionRelative") {
    double dx = 0;
    double dy = 0;
    sd_bus_message_read(call, "dd", &dx, &dy);
    char by[64];
    std::snprintf(by, sizeof by, " %g %g", dx, dy);
    record += by;
    reply = empty;
  } else if (name.rfind("RemoteDesktop.Session.NotifyPointerMotion", 0) == 0 ||
             name == "RemoteDesktop.Session.Stop" || name == "Session.Close") {
    reply = empty;
  } else if (name == "DisplayConfig.GetCurrentState") {
    reply = [=] { return ReplyDisplayState(call); };
  } else if (name == "GlobalShortcuts.CreateSession") {
    reply = [=, this] {
      return AnswerRequest(bus_, call, "create", 0, kShortcutsSession);
    };
  } else if (name == "GlobalShortcuts.BindShortcuts") {
    sd_bus_message_skip(call, "o");
    sd_bus_message_enter_container(call, 'a', "(sa{sv})");
    while (sd_bus_message_enter_container(call, 'r', "sa{sv}") > 0) {
      const char* id = nullptr;
      sd_bus_message_read(call, "s", &id);
      record +=
          std::string(" ") + id + "=" + StringOption(call, "preferred_trigger");
      sd_bus_message_exit_container(call);
    }
    reply = [=, this] {
      return AnswerRequest(bus_, call, "bind", services_.bind_response,
                           nullptr);
    };
  } else {
    return 0;  // sd-bus answers that there is no such method
  }
  // Recorded before the reply goes out: the caller reads the record as
  // soon as its call returns.
  {
    const std::lock_guard lock(mutex_);
    calls_.push_back(record);
  }
  const int result = reply();
  return result < 0 ? result : 1;
}

}  // namespace scrivlet::testing
