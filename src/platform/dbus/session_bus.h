#pragma once

// A connection of our own to the user's D-Bus session bus (sd-bus), for the
// desktop services reached there: GNOME's remote-desktop API, KWin's
// screenshot interface and the shortcuts portal. Every failed call becomes a
// PlatformError naming the call and the bus's own message.

#include <systemd/sd-bus.h>

#include <memory>
#include <string>

namespace scrivlet {

struct BusMessageUnref {
  void operator()(sd_bus_message* message) const {
    sd_bus_message_unref(message);
  }
};
using BusMessage = std::unique_ptr<sd_bus_message, BusMessageUnref>;

struct BusSlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
// A match or other registration; it holds the bus, so it must go first.
using BusSlot = std::unique_ptr<sd_bus_slot, BusSlotUnref>;

// Where a call goes: the service's name, the object and its interface.
struct BusObject {
  std::string service;
  std::string path;
  std::string interface;
};

// Throws PlatformError "<what> failed: <the bus's message>". Frees `error`.
[[noreturn]] void ThrowBusError(const std::string& what, sd_bus_error* error,
                                int result);

class SessionBus {
 public:
  // Connects to $DBUS_SESSION_BUS_ADDRESS (or the user's runtime
  // directory's bus); throws PlatformError when there is none.
  SessionBus();
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;
  SessionBus(SessionBus&&) = delete;
  SessionBus& operator=(SessionBus&&) = delete;
  ~SessionBus();

  [[nodiscard]] sd_bus* Get() const { return bus_; }

  // Calls `member` and waits for its reply; `types` and `args` as for
  // sd_bus_call_method. Throws PlatformError naming `member` on failure.
  template <typename... Args>
  BusMessage Call(const BusObject& target, const char* member,
                  const char* types, Args... args) {
    sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
    sd_bus_message* reply = nullptr;
    const int result = sd_bus_call_method(
        bus_, target.service.c_str(), target.path.c_str(),
        target.interface.c_str(), member, &error, &reply, types, args...);
    if (result < 0) {
      ThrowBusError(target.interface + "." + member, &error, result);
    }
    return BusMessage(reply);
  }

  // A call whose reply carries one object path.
  template <typename... Args>
  std::string CallForPath(const BusObject& target, const char* member,
                          const char* types, Args... args) {
    const BusMessage reply = Call(target, member, types, args...);
    return ReadObjectPath(reply.get(), target.interface + "." + member);
  }

  // A string property of an object.
  std::string StringProperty(const BusObject& target, const char* property);

 private:
  static std::string ReadObjectPath(sd_bus_message* reply,
                                    const std::string& what);
  sd_bus* bus_ = nullptr;
};

}  // namespace scrivlet
