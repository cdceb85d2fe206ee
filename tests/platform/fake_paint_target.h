#pragma once

// A scripted desktop for the pacer's tests: a fake clock, and a screen whose
// "paint program" paints a dot under every press some time after it, or not
// at all. Times are fake, so nothing here depends on the machine's speed.

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/absolute_mapping.h"
#include "platform/delivery_pacer.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

using std::chrono::microseconds;
using std::chrono::milliseconds;

struct FakeTime {
  PacingClock::TimePoint now{};
};

class FakeClock final : public PacingClock {
 public:
  explicit FakeClock(FakeTime& time) : time_(time) {}
  TimePoint Now() override { return time_.now; }
  void SleepFor(Duration duration) override { time_.now += duration; }

 private:
  FakeTime& time_;
};

inline constexpr COLORREF kPaper = 0xFFFFFF;
inline constexpr COLORREF kInk = 0x000000;

struct SentEvent {
  std::uint32_t flags = 0;
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  PacingClock::TimePoint at{};
};

class FakePaintTarget final : public PlatformInput {
 public:
  explicit FakePaintTarget(FakeTime& time) : time_(time) {}

  // How the target reacts to a press: paints after `latency`, or never.
  std::optional<microseconds> paint_latency = microseconds(800);
  // Points inside this column range are not canvas and never change.
  std::int32_t canvas_from_x = 0;
  bool readable = true;
  // Relative moves go this many pixels per unit, as with pointer speed.
  std::int32_t relative_gain = 1;
  // Answers to the F8 queries, in order; 0 once they run out.
  std::vector<std::uint16_t> abort_key_words;

  void InkAt(ScreenPoint at) { painted_[Key(at)] = {time_.now, kInk}; }

  [[nodiscard]] const std::vector<SentEvent>& events() const { return events_; }
  [[nodiscard]] int reads() const { return reads_; }
  // When the press at `at` became visible, if it did.
  [[nodiscard]] std::optional<PacingClock::TimePoint> PaintedAt(
      ScreenPoint at) const {
    const auto found = painted_.find(Key(at));
    if (found == painted_.end()) {
      return std::nullopt;
    }
    return found->second.first;
  }

  ScreenPoint GetCursorPos() override { return pointer_; }
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    events_.push_back({flags, dx, dy, time_.now});
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
      if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        pointer_ = AbsoluteToScreen(dx, dy, kBounds);
      } else {
        pointer_ = {pointer_.x + relative_gain * dx,
                    pointer_.y + relative_gain * dy};
      }
    }
    if ((flags & MOUSEEVENTF_LEFTDOWN) != 0 && paint_latency &&
        pointer_.x >= canvas_from_x && !painted_.contains(Key(pointer_))) {
      painted_[Key(pointer_)] = {time_.now + *paint_latency, kInk};
    }
  }
  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    if (virtual_key != VK_F8 || abort_queries_ >= abort_key_words.size()) {
      return 0;
    }
    return abort_key_words[abort_queries_++];
  }
  DesktopArea DesktopBounds() override { return kBounds; }
  void SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) override {}
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    ++reads_;
    if (!readable) {
      return std::nullopt;
    }
    const auto found = painted_.find(Key(at));
    if (found != painted_.end() && found->second.first <= time_.now) {
      return found->second.second;
    }
    return kPaper;
  }
  void Flush() override {}

  static constexpr DesktopArea kBounds{0, 0, 640, 480};

 private:
  static std::pair<std::int32_t, std::int32_t> Key(ScreenPoint at) {
    return {at.x, at.y};
  }

  FakeTime& time_;
  ScreenPoint pointer_{};
  std::vector<SentEvent> events_;
  std::map<std::pair<std::int32_t, std::int32_t>,
           std::pair<PacingClock::TimePoint, COLORREF>>
      painted_;
  std::size_t abort_queries_ = 0;
  int reads_ = 0;
};

}  // namespace scrivlet::testing
