#pragma once

// A private Xvfb without a window manager, from xvfb-run, with extra server
// arguments (for instance "-extension XTEST" to take an extension away).
// Open to any client (-ac): the test connects without xvfb-run's cookie.

#include <chrono>
#include <csignal>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_process.h"

namespace scrivlet::testing {

class BareXServer {
 public:
  explicit BareXServer(const std::vector<std::string>& extra_arguments)
      : xvfb_run_({"xvfb-run", "--auto-servernum", "--server-args",
                   Arguments(extra_arguments), "sh", "-c",
                   R"(echo "$DISPLAY $$"; exec sleep 600)"},
                  {{}, false, true}) {
    // The shell's pid is the sleep's: ending it lets xvfb-run stop Xvfb and
    // clean up after it.
    const auto line = xvfb_run_.ReadLine(std::chrono::seconds(20));
    const std::size_t space = line ? line->find(' ') : std::string::npos;
    if (space == std::string::npos) {
      throw std::runtime_error("xvfb-run did not report a display");
    }
    display_ = line->substr(0, space);
    sleep_ = std::stoi(line->substr(space + 1));
  }
  BareXServer(const BareXServer&) = delete;
  BareXServer& operator=(const BareXServer&) = delete;
  BareXServer(BareXServer&&) = delete;
  BareXServer& operator=(BareXServer&&) = delete;
  ~BareXServer() {
    kill(sleep_, SIGTERM);
    xvfb_run_.WaitFor(std::chrono::seconds(5));
  }

  [[nodiscard]] const std::string& display_name() const { return display_; }

 private:
  static std::string Arguments(const std::vector<std::string>& extra) {
    std::string all = "-ac -nolisten tcp -screen 0 320x240x24";
    for (const std::string& argument : extra) {
      all += " " + argument;
    }
    return all;
  }

  ChildProcess xvfb_run_;
  std::string display_;
  pid_t sleep_ = 0;
};

}  // namespace scrivlet::testing
