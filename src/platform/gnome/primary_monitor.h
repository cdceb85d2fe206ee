#pragma once

// The primary monitor as mutter's DisplayConfig describes it: the connector
// a screen cast records, the size of its current mode, and the scale and
// transform of the logical monitor it is part of.

#include <cstdint>
#include <string>

#include "platform/dbus/session_bus.h"

namespace scrivlet {

struct PrimaryMonitor {
  std::string connector;
  std::int32_t width = 0;
  std::int32_t height = 0;
  double scale = 1;
  std::uint32_t transform = 0;
  // Mutter's layout in physical pixels (its default), where relative
  // motion counts those, not the logical ones programs see.
  bool physical_layout = false;
};

// Asks org.gnome.Mutter.DisplayConfig.GetCurrentState; throws PlatformError
// when the call fails or no primary monitor with a current mode is listed.
PrimaryMonitor ReadPrimaryMonitor(SessionBus& bus);

}  // namespace scrivlet
