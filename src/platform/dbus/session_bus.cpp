#include "platform/dbus/session_bus.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/platform_input.h"

namespace scrivlet {
namespace {

// A desktop service that stops answering must not freeze the window for
// sd-bus' default 25 s.
constexpr std::uint64_t kCallTimeoutUsec = 5'000'000;

}  // namespace

void ThrowBusError(const std::string& what, sd_bus_error* error, int result) {
  std::string message = what + " failed: ";
  if (sd_bus_error_is_set(error) != 0 && error->message != nullptr) {
    message += error->message;
  } else {
    message += std::strerror(-result);
  }
  sd_bus_error_free(error);
  throw PlatformError(message);
}

SessionBus::SessionBus() {
  const int result = sd_bus_open_user(&bus_);
  if (result < 0) {
    throw PlatformError(
        std::string("There is no D-Bus session bus to reach: ") +
        std::strerror(-result) + " (DBUS_SESSION_BUS_ADDRESS).");
  }
  sd_bus_set_method_call_timeout(bus_, kCallTimeoutUsec);
}

SessionBus::~SessionBus() { sd_bus_flush_close_unref(bus_); }

std::string SessionBus::StringProperty(const BusObject& target,
                                       const char* property) {
  sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
  char* value = nullptr;
  const int result = sd_bus_get_property_string(
      bus_, target.service.c_str(), target.path.c_str(),
      target.interface.c_str(), property, &error, &value);
  if (result < 0) {
    ThrowBusError(target.interface + "." + property, &error, result);
  }
  std::string text = value;
  std::free(value);  // NOLINT(cppcoreguidelines-no-malloc): sd-bus' string
  return text;
}

std::string SessionBus::ReadObjectPath(sd_bus_message* reply,
                                       const std::string& what) {
  const char* path = nullptr;
  const int result = sd_bus_message_read(reply, "o", &path);
  if (result < 0) {
    throw PlatformError(
        what + " answered without an object path: " + std::strerror(-result));
  }
  return path;
}

}  // namespace scrivlet
