#pragma once

// The primary monitor as mutter's DisplayConfig describes it: the connector
// a screen cast records and the size of its current mode.

#include <cstdint>
#include <string>

#include "platform/dbus/session_bus.h"

namespace scrivlet {

struct PrimaryMonitor {
  std::string connector;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// Asks org.gnome.Mutter.DisplayConfig.GetCurrentState; throws PlatformError
// when the call fails or no primary monitor with a current mode is listed.
PrimaryMonitor ReadPrimaryMonitor(SessionBus& bus);

}  // namespace scrivlet
