#pragma once

// Time as delivery sees it, so that tests can script it.

#include <chrono>
#include <memory>

namespace scrivlet {

class PacingClock {
 public:
  using Duration = std::chrono::microseconds;
  using TimePoint =
      std::chrono::time_point<std::chrono::steady_clock, Duration>;

  PacingClock() = default;
  PacingClock(const PacingClock&) = delete;
  PacingClock& operator=(const PacingClock&) = delete;
  PacingClock(PacingClock&&) = delete;
  PacingClock& operator=(PacingClock&&) = delete;
  virtual ~PacingClock() = default;

  virtual TimePoint Now() = 0;
  virtual void SleepFor(Duration duration) = 0;
};

// The real monotonic clock.
std::unique_ptr<PacingClock> MakeSteadyPacingClock();

}  // namespace scrivlet
