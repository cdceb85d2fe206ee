#pragma once

// The desktop's pointer settings, changed for one test and put back after.

#include <array>

namespace scrivlet::testing {

// Sets the acceleration of relative motion (SPI_SETMOUSE: two thresholds and
// a level, all 0 for none) for the guard's lifetime.
class MouseAccelerationGuard {
 public:
  MouseAccelerationGuard(int threshold1, int threshold2, int level);
  MouseAccelerationGuard(const MouseAccelerationGuard&) = delete;
  MouseAccelerationGuard& operator=(const MouseAccelerationGuard&) = delete;
  MouseAccelerationGuard(MouseAccelerationGuard&&) = delete;
  MouseAccelerationGuard& operator=(MouseAccelerationGuard&&) = delete;
  ~MouseAccelerationGuard();

 private:
  std::array<int, 3> saved_{};
};

}  // namespace scrivlet::testing
