#include "delivery/dot_stream.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/absolute_mapping.h"

namespace scrivlet {

namespace {

// The absolute coordinate the engine aims at pixel `offset` of `extent`
// with; AbsoluteToPixel maps it back onto that pixel.
std::int32_t AbsoluteCoordinate(std::int32_t offset, std::int32_t extent) {
  if (extent <= 0) {
    return 0;
  }
  const std::int64_t twice = 2 * std::int64_t{offset} * kAbsoluteSpan + extent;
  return static_cast<std::int32_t>(twice / (2 * std::int64_t{extent}));
}

}  // namespace

std::vector<ScreenPoint> LinePixels(ScreenPoint from, ScreenPoint to) {
  const std::int64_t dx = std::int64_t{to.x} - from.x;
  const std::int64_t dy = std::int64_t{to.y} - from.y;
  const std::int64_t steps = std::max(std::abs(dx), std::abs(dy));
  std::vector<ScreenPoint> pixels;
  pixels.reserve(static_cast<std::size_t>(steps) + 1);
  // Nearest pixel at each step of the longer axis, halves away from the
  // start: exact for the rows and columns the plotters draw.
  const auto along = [steps](std::int32_t start, std::int64_t delta,
                             std::int64_t i) {
    const std::int64_t scaled = 2 * delta * i;
    const std::int64_t rounded = scaled >= 0
                                     ? (scaled + steps) / (2 * steps)
                                     : -((-scaled + steps) / (2 * steps));
    return static_cast<std::int32_t>(start + rounded);
  };
  for (std::int64_t i = 0; i <= steps; ++i) {
    pixels.push_back(
        steps == 0 ? from
                   : ScreenPoint{along(from.x, dx, i), along(from.y, dy, i)});
  }
  return pixels;
}

std::vector<MouseEvent> LinePartClick(const DotInk& dot, ScreenPoint from,
                                      ScreenPoint to,
                                      const DesktopArea& bounds) {
  if (dot.relative) {
    return {{MOUSEEVENTF_LEFTDOWN, 0, 0},
            {MOUSEEVENTF_MOVE, to.x - from.x, to.y - from.y},
            {MOUSEEVENTF_LEFTUP, 0, 0}};
  }
  const auto x = [&](ScreenPoint at) {
    return AbsoluteCoordinate(at.x - bounds.left, bounds.width);
  };
  const auto y = [&](ScreenPoint at) {
    return AbsoluteCoordinate(at.y - bounds.top, bounds.height);
  };
  constexpr std::uint32_t kAbsolute = MOUSEEVENTF_ABSOLUTE;
  return {{MOUSEEVENTF_MOVE | kAbsolute, x(from), y(from)},
          {MOUSEEVENTF_LEFTDOWN | kAbsolute, x(from), y(from)},
          {MOUSEEVENTF_MOVE | kAbsolute, x(to), y(to)},
          {MOUSEEVENTF_LEFTUP | kAbsolute, x(to), y(to)}};
}

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
      ++held_moves_;
      DotInk& dot = *current_.dot;
      dot.relative = dot.relative || !absolute;
      dot.stroke = pointer_ != dot.at ? std::optional(pointer_) : std::nullopt;
    } else {
      approach_ = absolute ? std::optional(event) : std::nullopt;
    }
  }
  if ((event.flags & MOUSEEVENTF_LEFTDOWN) != 0 && !button_down_) {
    button_down_ = true;
    held_moves_ = 0;
    DotInk dot{pointer_, std::nullopt, false, !approach_.has_value(), {}};
    if (approach_) {
      dot.click.push_back(*approach_);
    }
    dot.click.push_back(event);
    current_.dot = std::move(dot);
  }
  if ((event.flags & MOUSEEVENTF_LEFTUP) != 0 && button_down_) {
    button_down_ = false;
    // One move with the button held, beyond the next pixel: a line. A
    // drag moves one unit (absolute) or one pixel (relative) at most.
    DotInk& dot = *current_.dot;
    dot.line = held_moves_ == 1 && dot.stroke &&
               std::max(std::abs(dot.stroke->x - dot.at.x),
                        std::abs(dot.stroke->y - dot.at.y)) > 1;
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
