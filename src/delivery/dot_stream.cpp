#include "delivery/dot_stream.h"

#include <algorithm>
#include <utility>

#include "platform/absolute_mapping.h"

namespace scrivlet {

void DotStream::Reset(DesktopArea bounds, ScreenPoint pointer) {
  bounds_ = bounds;
  pointer_ = pointer;
  button_down_ = false;
  current_ = {};
  approach_.reset();
  ready_.clear();
}

void DotStream::MovePointer(const MouseEvent& event) {
  if ((event.flags & MOUSEEVENTF_ABSOLUTE) != 0) {
    pointer_ = AbsoluteToScreen(event.dx, event.dy, bounds_);
    return;
  }
  if (bounds_.width <= 0 || bounds_.height <= 0) {
    return;
  }
  const auto clip = [](std::int64_t value, std::int32_t low,
                       std::int32_t extent) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, low, std::int64_t{low} + extent - 1));
  };
  pointer_ = {
      clip(std::int64_t{pointer_.x} + event.dx, bounds_.left, bounds_.width),
      clip(std::int64_t{pointer_.y} + event.dy, bounds_.top, bounds_.height)};
}

void DotStream::Feed(const MouseEvent& event) {
  current_.events.push_back(event);
  if (button_down_) {
    current_.dot->click.push_back(event);
  }
  if ((event.flags & MOUSEEVENTF_MOVE) != 0) {
    MovePointer(event);
    const bool absolute = (event.flags & MOUSEEVENTF_ABSOLUTE) != 0;
    if (button_down_) {
      DotInk& dot = *current_.dot;
      dot.relative = dot.relative || !absolute;
      dot.stroke = pointer_ != dot.at ? std::optional(pointer_) : std::nullopt;
    } else {
      approach_ = absolute ? std::optional(event) : std::nullopt;
    }
  }
  if ((event.flags & MOUSEEVENTF_LEFTDOWN) != 0 && !button_down_) {
    button_down_ = true;
    DotInk dot{pointer_, std::nullopt, !approach_.has_value(), {}};
    if (approach_) {
      dot.click.push_back(*approach_);
    }
    dot.click.push_back(event);
    current_.dot = std::move(dot);
  }
  if ((event.flags & MOUSEEVENTF_LEFTUP) != 0 && button_down_) {
    button_down_ = false;
    current_.pointer_after = pointer_;
    ready_.push_back(std::exchange(current_, {}));
  }
}

void DotStream::Close() {
  if (button_down_ || current_.events.empty()) {
    return;
  }
  current_.pointer_after = pointer_;
  ready_.push_back(std::exchange(current_, {}));
}

}  // namespace scrivlet
