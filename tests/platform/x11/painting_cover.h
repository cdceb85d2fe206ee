#pragma once

// A paint target for delivery on its own connection and thread: a white
// window over the whole screen that paints a black pixel under every press,
// and after a given number of presses does something to the desktop, as
// another program would (holds the pointer, changes the screen's size).

#include <X11/Xlib.h>

#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>

#include "recording_client.h"

namespace scrivlet::testing {

class PaintingCover {
 public:
  // `interlude` runs on the cover's thread, with its connection, once
  // `after_presses` presses have come; it returns whether the cover goes on
  // painting afterwards (false: the target is gone).
  PaintingCover(int after_presses, std::function<bool(Display*)> interlude);
  PaintingCover(const PaintingCover&) = delete;
  PaintingCover& operator=(const PaintingCover&) = delete;
  PaintingCover(PaintingCover&&) = delete;
  PaintingCover& operator=(PaintingCover&&) = delete;
  ~PaintingCover() = default;  // the thread stops before the connection

  // Presses that came after the root window changed size.
  [[nodiscard]] int presses_after_resize() const { return after_resize_; }

 private:
  void Run(const std::stop_token& stop);

  RecordingClient client_;
  Window window_ = 0;
  int after_presses_;
  std::function<bool(Display*)> interlude_;
  std::atomic<int> after_resize_{0};
  std::jthread thread_;
};

}  // namespace scrivlet::testing
