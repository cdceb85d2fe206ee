#pragma once

// A private D-Bus session bus for one test program: its own dbus-daemon,
// started here and stopped by process id, with DBUS_SESSION_BUS_ADDRESS
// pointing at it meanwhile.

#include <sys/types.h>

namespace scrivlet::testing {

class PrivateBus {
 public:
  PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;
  PrivateBus(PrivateBus&&) = delete;
  PrivateBus& operator=(PrivateBus&&) = delete;
  ~PrivateBus();

 private:
  pid_t pid_ = 0;
};

}  // namespace scrivlet::testing
