#pragma once

// A recording fake of the desktop's D-Bus services: mutter's RemoteDesktop,
// ScreenCast and DisplayConfig, and the portal's GlobalShortcuts. It serves
// from its own thread and connection on the session bus and keeps every
// call as one line: "<interface>.<member> <arguments>", the interface
// without its "org.gnome.Mutter." or "org.freedesktop.portal." prefix.
//
// Its display: "DP-1" 1920x1080 and the primary "Virtual-1", whose
// current mode is 1280x800 (its preferred one is 1920x1200).

#include <systemd/sd-bus.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace scrivlet::testing {

// By default mutter, answering every call.
struct FakeServices {
  // The portal instead of mutter.
  bool portal = false;
  // Whether the portal offers GlobalShortcuts (Debian 12's does not).
  bool shortcuts = true;
  // A call answered with an error, e.g. "RemoteDesktop.Session.Start".
  std::string refuse;
  // The Response code BindShortcuts' request ends with (1: user refused).
  std::uint32_t bind_response = 0;
};

// The portal; `bind_response` 1 is the user's refusal.
inline FakeServices Portal(bool shortcuts = true,
                           std::uint32_t bind_response = 0) {
  FakeServices services;
  services.portal = true;
  services.shortcuts = shortcuts;
  services.bind_response = bind_response;
  return services;
}

class FakeDesktopServices {
 public:
  explicit FakeDesktopServices(FakeServices services);
  FakeDesktopServices(const FakeDesktopServices&) = delete;
  FakeDesktopServices& operator=(const FakeDesktopServices&) = delete;
  FakeDesktopServices(FakeDesktopServices&&) = delete;
  FakeDesktopServices& operator=(FakeDesktopServices&&) = delete;
  ~FakeDesktopServices();

  // The calls so far, in order.
  std::vector<std::string> Calls();
  // Sends GlobalShortcuts' Activated for a shortcut id.
  void Activate(const std::string& id);

 private:
  int Answer(sd_bus_message* call, const std::string& name);
  void Serve();

  FakeServices services_;
  sd_bus* bus_ = nullptr;
  std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<std::string> activations_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace scrivlet::testing
