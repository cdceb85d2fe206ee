#include "session/shortcut_portal.h"

#include <unistd.h>

#include <cstring>
#include <iostream>

#include "platform/platform_input.h"

namespace scrivlet {
namespace {

const char* const kPortal = "org.freedesktop.portal.Desktop";
const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kShortcuts = "org.freedesktop.portal.GlobalShortcuts";

// The ids the shortcuts are bound under, and the command each one acts as.
struct Binding {
  const char* id;
  const char* description;
  const char* trigger;
  Command command;
};
constexpr Binding kBindings[] = {
    {"start", "Scrivlet: start drawing", "F7", Command::Start},
    {"abort", "Scrivlet: abort drawing", "F8", Command::Abort},
};

// A results dictionary's session handle: an object path by the portal's
// documentation, a string in older portals; empty when absent.
std::string ReadSessionHandle(sd_bus_message* message) {
  std::string handle;
  if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) {
    return handle;
  }
  while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
    const char* key = nullptr;
    sd_bus_message_read(message, "s", &key);
    const char* contents = nullptr;
    sd_bus_message_peek_type(message, nullptr, &contents);
    const char* value = nullptr;
    if (key != nullptr && std::strcmp(key, "session_handle") == 0 &&
        contents != nullptr &&
        (std::strcmp(contents, "o") == 0 || std::strcmp(contents, "s") == 0)) {
      sd_bus_message_read(message, "v", contents, &value);
      handle = value != nullptr ? value : "";
    } else {
      sd_bus_message_skip(message, "v");
    }
    sd_bus_message_exit_container(message);
  }
  sd_bus_message_exit_container(message);
  return handle;
}

}  // namespace

std::unique_ptr<ShortcutPortal> ShortcutPortal::OpenIfOffered() {
  std::unique_ptr<ShortcutPortal> portal;
  try {
    portal.reset(new ShortcutPortal());
    // A portal without the interface answers that it knows no such one.
    portal->bus_.Call({kPortal, kPortalPath, "org.freedesktop.DBus.Properties"},
                      "Get", "ss", kShortcuts, "version");
  } catch (const PlatformError&) {
    return nullptr;
  }
  portal->Start();
  return portal;
}

ShortcutPortal::~ShortcutPortal() {
  if (!session_.empty()) {
    try {
      bus_.Call({kPortal, session_, "org.freedesktop.portal.Session"}, "Close",
                "");
    } catch (const PlatformError&) {
      // The portal is gone; its session went with it.
    }
  }
}

void ShortcutPortal::Start() {
  // One match for the requests' answers and the shortcuts' signals, set
  // before the first call so that no answer can come unseen.
  sd_bus_slot* slot = nullptr;
  const int result = sd_bus_add_match(
      bus_.Get(), &slot,
      "type='signal',sender='org.freedesktop.portal.Desktop'", &OnSignal, this);
  match_.reset(slot);
  if (result < 0) {
    Fail(std::string("cannot watch its signals: ") + std::strerror(-result));
    return;
  }
  const std::string token = "scrivlet" + std::to_string(getpid());
  try {
    request_ =
        bus_.CallForPath({kPortal, kPortalPath, kShortcuts}, "CreateSession",
                         "a{sv}", 2, "handle_token", "s", token.c_str(),
                         "session_handle_token", "s", token.c_str());
  } catch (const PlatformError& error) {
    Fail(error.what());
  }
}

int ShortcutPortal::OnSignal(sd_bus_message* message, void* data,
                             sd_bus_error* /*error*/) {
  auto& portal = *static_cast<ShortcutPortal*>(data);
  Event event;
  event.path = sd_bus_message_get_path(message);
  event.member = sd_bus_message_get_member(message);
  if (sd_bus_message_is_signal(message, "org.freedesktop.portal.Request",
                               "Response") > 0) {
    if (sd_bus_message_read(message, "u", &event.code) < 0) {
      return 0;
    }
    event.value = ReadSessionHandle(message);
  } else if (sd_bus_message_is_signal(message, kShortcuts, nullptr) > 0) {
    const char* session = nullptr;
    const char* id = nullptr;
    if (sd_bus_message_read(message, "os", &session, &id) < 0) {
      return 0;
    }
    // Another program's session on the same portal is not ours.
    if (session == nullptr || portal.session_ != session) {
      return 0;
    }
    event.value = id;
  } else {
    return 0;
  }
  portal.events_.push_back(std::move(event));
  return 0;
}

void ShortcutPortal::Poll(const std::function<void(Command)>& pressed) {
  if (state_ == State::Failed) {
    return;
  }
  int result = 0;
  while ((result = sd_bus_process(bus_.Get(), nullptr)) > 0) {
  }
  if (result < 0) {
    Fail(std::string("the session bus was lost: ") + std::strerror(-result));
    return;
  }
  std::vector<Event> events;
  events.swap(events_);
  for (const Event& event : events) {
    Handle(event, pressed);
  }
}

void ShortcutPortal::Handle(const Event& event,
                            const std::function<void(Command)>& pressed) {
  if (event.member == "Activated") {
    for (const Binding& binding : kBindings) {
      if (event.value == binding.id) {
        pressed(binding.command);
      }
    }
    return;
  }
  // A press acts as a command does, as a tap: the release needs nothing.
  if (event.member != "Response" || event.path != request_) {
    return;
  }
  request_.clear();
  const char* step =
      state_ == State::CreatingSession ? "CreateSession" : "BindShortcuts";
  if (event.code != 0) {
    // 1: the user said no; 2: anything else.
    Fail(std::string(step) +
         (event.code == 1 ? " was refused by the user" : " did not succeed"));
    return;
  }
  if (state_ == State::Binding) {
    state_ = State::Bound;
    return;
  }
  if (event.value.empty()) {
    Fail("CreateSession answered without a session handle");
    return;
  }
  session_ = event.value;
  try {
    BusMessage call;
    sd_bus_message* raw = nullptr;
    int result = sd_bus_message_new_method_call(
        bus_.Get(), &raw, kPortal, kPortalPath, kShortcuts, "BindShortcuts");
    call.reset(raw);
    if (result >= 0) {
      result = sd_bus_message_append(call.get(), "o", session_.c_str());
    }
    if (result >= 0) {
      result = sd_bus_message_open_container(call.get(), 'a', "(sa{sv})");
    }
    for (const Binding& binding : kBindings) {
      if (result >= 0) {
        result = sd_bus_message_append(
            call.get(), "(sa{sv})", binding.id, 2, "description", "s",
            binding.description, "preferred_trigger", "s", binding.trigger);
      }
    }
    if (result >= 0) {
      result = sd_bus_message_close_container(call.get());
    }
    if (result >= 0) {
      result = sd_bus_message_append(call.get(), "sa{sv}", "", 0);
    }
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
    sd_bus_message* reply = nullptr;
    if (result >= 0) {
      result = sd_bus_call(bus_.Get(), call.get(), 0, &error, &reply);
    }
    if (result < 0) {
      ThrowBusError(std::string(kShortcuts) + ".BindShortcuts", &error, result);
    }
    const BusMessage answer(reply);
    const char* path = nullptr;
    if (sd_bus_message_read(answer.get(), "o", &path) < 0 || path == nullptr) {
      throw PlatformError("BindShortcuts answered without a request");
    }
    request_ = path;
    state_ = State::Binding;
  } catch (const PlatformError& error) {
    Fail(error.what());
  }
}

void ShortcutPortal::Fail(const std::string& problem) {
  state_ = State::Failed;
  problem_ = problem;
  std::cerr << "Scrivlet: the GlobalShortcuts portal: " << problem
            << ". F7 and F8 still work through scrivlet --start and "
               "scrivlet --abort.\n";
}

}  // namespace scrivlet
