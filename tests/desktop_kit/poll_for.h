#pragma once

// Waiting on another process (a window appearing, a program ending) by
// asking again until it holds or the time is up.

#include <chrono>
#include <thread>

namespace scrivlet::testing {

// True once `condition()` holds; false if it still does not after `timeout`.
template <typename Condition>
bool PollFor(
    Condition condition, std::chrono::milliseconds timeout,
    std::chrono::milliseconds interval = std::chrono::milliseconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(interval);
  }
  return true;
}

}  // namespace scrivlet::testing
