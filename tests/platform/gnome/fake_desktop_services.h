#pragma once

// The recording fake of the desktop's D-Bus services
// (fake_desktop_services.py, which says what it offers), on the session bus
// for as long as this object lives. Each call is one line:
// "<interface>.<member> <arguments>", the interface without its
// "org.gnome.Mutter." or "org.freedesktop.portal." prefix.

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"

namespace scrivlet::testing {

class FakeDesktopServices {
 public:
  // Mutter answering every call, or as the script's options say:
  // --portal, --no-shortcuts, --refuse CALL, --bind-response CODE.
  // Returns once the fake owns its names.
  explicit FakeDesktopServices(std::vector<std::string> options = {})
      : fake_(With({"/usr/bin/python3", SCRIVLET_FAKE_SERVICES},
                   std::move(options)),
              {{}, false, true}) {
    if (fake_.ReadLine(std::chrono::seconds(20)) != "ready") {
      throw std::runtime_error("the fake desktop services did not start");
    }
  }

  // The calls so far, in order. Each is written before its reply goes out:
  // what has been answered is in the pipe already.
  std::vector<std::string> Calls() {
    while (const auto call = fake_.ReadLine(std::chrono::milliseconds(1))) {
      calls_.push_back(*call);
    }
    return calls_;
  }

  // Sends GlobalShortcuts' Activated for a shortcut id.
  void Activate(const std::string& id) {
    RunToSuccess({"dbus-send", "--session", "--type=method_call",
                  "--dest=org.freedesktop.portal.Desktop",
                  "/org/freedesktop/portal/desktop",
                  "org.scrivlet.Fake.Activate", "string:" + id});
  }

 private:
  static std::vector<std::string> With(std::vector<std::string> command,
                                       std::vector<std::string> options) {
    command.insert(command.end(), options.begin(), options.end());
    return command;
  }

  ChildProcess fake_;
  std::vector<std::string> calls_;
};

}  // namespace scrivlet::testing
