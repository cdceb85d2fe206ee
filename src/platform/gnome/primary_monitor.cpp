#include "platform/gnome/primary_monitor.h"

#include <cstring>
#include <map>
#include <utility>

#include "platform/platform_input.h"

namespace scrivlet {
namespace {

const char* const kGetCurrentState =
    "org.gnome.Mutter.DisplayConfig.GetCurrentState";

// sd-bus reports a malformed reply as a negative errno; one message for all.
int Check(int result) {
  if (result < 0) {
    throw PlatformError(
        std::string(kGetCurrentState) +
        " answered in an unexpected form: " + std::strerror(-result));
  }
  return result;
}

// One mode's "is-current" flag, from its property dictionary.
bool ReadIsCurrent(sd_bus_message* reply) {
  bool current = false;
  Check(sd_bus_message_enter_container(reply, 'a', "{sv}"));
  while (Check(sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
    const char* key = nullptr;
    Check(sd_bus_message_read(reply, "s", &key));
    if (std::strcmp(key, "is-current") == 0) {
      int value = 0;
      Check(sd_bus_message_read(reply, "v", "b", &value));
      current = value != 0;
    } else {
      Check(sd_bus_message_skip(reply, "v"));
    }
    Check(sd_bus_message_exit_container(reply));
  }
  Check(sd_bus_message_exit_container(reply));
  return current;
}

// Every monitor's current mode size, by connector.
std::map<std::string, std::pair<std::int32_t, std::int32_t>> ReadCurrentModes(
    sd_bus_message* reply) {
  std::map<std::string, std::pair<std::int32_t, std::int32_t>> modes;
  Check(sd_bus_message_enter_container(reply, 'a',
                                       "((ssss)a(siiddada{sv})a{sv})"));
  while (Check(sd_bus_message_enter_container(
             reply, 'r', "(ssss)a(siiddada{sv})a{sv}")) > 0) {
    const char* connector = nullptr;
    Check(sd_bus_message_read(reply, "(ssss)", &connector, nullptr, nullptr,
                              nullptr));
    Check(sd_bus_message_enter_container(reply, 'a', "(siiddada{sv})"));
    while (Check(sd_bus_message_enter_container(reply, 'r', "siiddada{sv}")) >
           0) {
      std::int32_t width = 0;
      std::int32_t height = 0;
      Check(sd_bus_message_read(reply, "sii", nullptr, &width, &height));
      Check(sd_bus_message_skip(reply, "ddad"));
      if (ReadIsCurrent(reply)) {
        modes[connector] = {width, height};
      }
      Check(sd_bus_message_exit_container(reply));
    }
    Check(sd_bus_message_exit_container(reply));
    Check(sd_bus_message_skip(reply, "a{sv}"));
    Check(sd_bus_message_exit_container(reply));
  }
  Check(sd_bus_message_exit_container(reply));
  return modes;
}

struct PrimaryLogical {
  std::string connector;  // empty if no logical monitor is marked primary
  double scale = 1;
  std::uint32_t transform = 0;
};

// The first connector of the logical monitor marked primary, and its scale
// and transform.
PrimaryLogical ReadPrimaryLogical(sd_bus_message* reply) {
  PrimaryLogical primary;
  Check(sd_bus_message_enter_container(reply, 'a', "(iiduba(ssss)a{sv})"));
  while (Check(sd_bus_message_enter_container(reply, 'r',
                                              "iiduba(ssss)a{sv}")) > 0) {
    double scale = 1;
    std::uint32_t transform = 0;
    int is_primary = 0;
    Check(sd_bus_message_read(reply, "iidub", nullptr, nullptr, &scale,
                              &transform, &is_primary));
    Check(sd_bus_message_enter_container(reply, 'a', "(ssss)"));
    const char* connector = nullptr;
    while (Check(sd_bus_message_read(reply, "(ssss)", &connector, nullptr,
                                     nullptr, nullptr)) > 0) {
      if (is_primary != 0 && primary.connector.empty()) {
        primary = {connector, scale, transform};
      }
    }
    Check(sd_bus_message_exit_container(reply));
    Check(sd_bus_message_skip(reply, "a{sv}"));
    Check(sd_bus_message_exit_container(reply));
  }
  Check(sd_bus_message_exit_container(reply));
  return primary;
}

// Mutter's "layout-mode": 2 lays monitors out in physical pixels.
bool ReadPhysicalLayout(sd_bus_message* reply) {
  constexpr std::uint32_t kPhysical = 2;
  bool physical = false;
  Check(sd_bus_message_enter_container(reply, 'a', "{sv}"));
  while (Check(sd_bus_message_enter_container(reply, 'e', "sv")) > 0) {
    const char* key = nullptr;
    Check(sd_bus_message_read(reply, "s", &key));
    if (std::strcmp(key, "layout-mode") == 0) {
      std::uint32_t mode = 0;
      Check(sd_bus_message_read(reply, "v", "u", &mode));
      physical = mode == kPhysical;
    } else {
      Check(sd_bus_message_skip(reply, "v"));
    }
    Check(sd_bus_message_exit_container(reply));
  }
  Check(sd_bus_message_exit_container(reply));
  return physical;
}

}  // namespace

PrimaryMonitor ReadPrimaryMonitor(SessionBus& bus) {
  const BusMessage reply = bus.Call(
      {"org.gnome.Mutter.DisplayConfig", "/org/gnome/Mutter/DisplayConfig",
       "org.gnome.Mutter.DisplayConfig"},
      "GetCurrentState", "");
  Check(sd_bus_message_skip(reply.get(), "u"));
  const auto modes = ReadCurrentModes(reply.get());
  const PrimaryLogical primary = ReadPrimaryLogical(reply.get());
  const bool physical = ReadPhysicalLayout(reply.get());
  const auto mode = modes.find(primary.connector);
  if (primary.connector.empty() || mode == modes.end()) {
    throw PlatformError(std::string(kGetCurrentState) +
                        " lists no primary monitor with a current mode.");
  }
  return {primary.connector, mode->second.first, mode->second.second,
          primary.scale,     primary.transform,  physical};
}

}  // namespace scrivlet
