#pragma once

// A mark that the program's window has handled every click and key sent to
// it so far. They reach it in the order sent, but a command or a hot key
// reaches it another way and could overtake keys still on their way, and a
// drawing that starts drops them. So the test clicks the style tab and
// waits until it shows: Label8's place, which only that tab shows, looks as
// it did when learnt from the idle window.

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <utility>

#include "poll_for.h"
#include "window_places.h"

namespace scrivlet::testing {

class InputMark {
 public:
  using Click = std::function<void(ScreenPoint)>;
  using Capture = std::function<ScreenImage(ScreenRect)>;

  // Learns the style tab from the window while nothing else is on its way
  // to it, then shows the first tab again. Throws if a tab does not show.
  InputMark(ScreenPoint inner_origin, int inner_width, Click click,
            Capture capture)
      : origin_(inner_origin),
        width_(inner_width),
        click_(std::move(click)),
        capture_(std::move(capture)) {
    const ScreenImage first = capture_(Label8());
    Show(2, [&](const ScreenImage& now) {
      const bool settled =
          now.pixels == style_.pixels && now.pixels != first.pixels;
      style_ = now;
      return settled;
    });
    Show(0,
         [&](const ScreenImage& now) { return now.pixels != style_.pixels; });
  }

  // Returns once the window has handled everything sent before.
  void Wait() const {
    Show(2,
         [&](const ScreenImage& now) { return now.pixels == style_.pixels; });
  }

 private:
  // Its start only, which a window partly off the screen still shows.
  [[nodiscard]] ScreenRect Label8() const {
    ScreenRect rect = ControlRect(origin_, {layout::kSSTab1, layout::kLabel8});
    rect.width = std::min(rect.width, 96);
    return rect;
  }
  void Show(int tab,
            const std::function<bool(const ScreenImage&)>& shown) const {
    click_(TabCentre(origin_, width_, tab));
    if (!PollFor([&] { return shown(capture_(Label8())); },
                 std::chrono::milliseconds(20000),
                 std::chrono::milliseconds(50))) {
      throw std::runtime_error("the window did not show its tab");
    }
  }

  ScreenPoint origin_;
  int width_;
  Click click_;
  Capture capture_;
  ScreenImage style_;
};

}  // namespace scrivlet::testing
