#pragma once

// The contract every desktop backend keeps, as one suite of cases that each
// backend's tests instantiate with a rig for their own desktop. What only one
// backend does (window messages, pointer settings, key grabs) is tested
// beside it.

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "platform/platform_input.h"

namespace scrivlet::testing {

// What a backend's tests provide to the shared cases.
class ContractRig {
 public:
  ContractRig() = default;
  ContractRig(const ContractRig&) = delete;
  ContractRig& operator=(const ContractRig&) = delete;
  ContractRig(ContractRig&&) = delete;
  ContractRig& operator=(ContractRig&&) = delete;
  virtual ~ContractRig() = default;

  virtual PlatformInput& desktop() = 0;
  // Presses or releases a key as the keyboard would, and returns once the
  // backend can have seen it.
  virtual void Key(int virtual_key, bool down) = 0;
  // A window that existed and is gone.
  virtual NativeWindow GoneWindow() = 0;
};

struct RigMaker {
  const char* name;
  std::unique_ptr<ContractRig> (*make)();
};

inline void PrintTo(const RigMaker& maker, std::ostream* out) {
  *out << maker.name;
}

// Names the instantiated cases after the rig, not the maker's address.
inline std::string RigName(const ::testing::TestParamInfo<RigMaker>& info) {
  return info.param.name;
}

class DesktopContractTest : public ::testing::TestWithParam<RigMaker> {
 protected:
  void SetUp() override { rig_ = GetParam().make(); }
  std::unique_ptr<ContractRig> rig_;
};

}  // namespace scrivlet::testing
