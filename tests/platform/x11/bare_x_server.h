#pragma once

// A private Xvfb without a window manager, started with extra arguments
// (for instance "-extension XTEST" to take an extension away) and stopped by
// its process id.

#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace scrivlet::testing {

class BareXServer {
 public:
  explicit BareXServer(const std::vector<std::string>& extra_arguments);
  BareXServer(const BareXServer&) = delete;
  BareXServer& operator=(const BareXServer&) = delete;
  BareXServer(BareXServer&&) = delete;
  BareXServer& operator=(BareXServer&&) = delete;
  ~BareXServer() = default;

  [[nodiscard]] const std::string& display_name() const { return display_; }

 private:
  std::optional<ChildProcess> server_;
  std::string display_;
};

}  // namespace scrivlet::testing
