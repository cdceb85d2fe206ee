#pragma once

// A scripted desktop for the pacer's tests: a fake clock, and a screen whose
// "paint program" paints a dot under every press some time after it, or not
// at all, and a line along a move with the button held. Like real targets
// it can be fragile (a press that comes while it is still busy is lost, and
// so is a stroke it has not drawn when the button goes up), drop clicks
// that come too close together (browsers), smear (paint a line from the
// last dot when overrun), and show what it painted only once per frame
// (compositors). Times are fake, so nothing depends on the machine. Then
// the pacer in front of it, and the streams the plotters send.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "delivery/delivery_pacer.h"
#include "engine_coordinate.h"
#include "platform/absolute_mapping.h"
#include "platform/platform_input.h"

namespace scrivlet::testing {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class FakeClock final : public PacingClock {
 public:
  explicit FakeClock(TimePoint& now) : now_(now) {}
  TimePoint Now() override { return now_; }
  void SleepFor(Duration duration) override { now_ += duration; }

 private:
  TimePoint& now_;
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
  explicit FakePaintTarget(PacingClock::TimePoint& now) : now_(now) {}

  // How the target reacts to a press: paints after `latency`, or never.
  std::optional<microseconds> paint_latency = microseconds(800);
  // Extra time the target is busy before it handles its n-th press
  // (counted from 0, swatch clicks too): a stall under CPU load, a slow
  // repaint.
  std::map<int, microseconds> stall_before_press;
  // Loses presses and strokes that come while it is busy (see above).
  bool fragile = true;
  bool readable = true;
  // Shows paint only at multiples of this (a compositor's frames); zero
  // shows it at once.
  microseconds frame{0};
  // A press this soon after the previous one is lost (a browser).
  microseconds drop_within{0};
  // A press that comes while busy paints a line from the last dot to it.
  bool smears = false;
  // At this press (counted from 0) a pixel two to the right of the pointer
  // is painted too, apart from the dot (a frame caught half drawn).
  std::optional<int> speck_at_press;
  // Tells WaitForScreenChange when something shows, and WaitForDrawnChange
  // when it is drawn, as DAMAGE on the root and on a window do on X11.
  bool reports_changes = false;
  // Shows taken input late, and what it drew cannot be read before (GNOME).
  bool shows_taken_late = false;
  // How long sending one event takes (a window manager's grab, a slow
  // input path).
  microseconds event_time{0};
  // Pixels `first`..`last` (from 1 after the press) that the n-th line
  // (counted from 0) leaves blank, as a target that loses part of one.
  std::map<int, std::pair<int, int>> line_gaps;
  // Lines (counted as above) drawn whole that the screen shows only once
  // they are drawn again, as mutter now and then does.
  std::set<int> unshown_lines;
  // Time the target takes before it draws the n-th line (counted as
  // above), its press drawn: a browser that gets to a move late.
  std::map<int, microseconds> late_lines;
  // Relative moves go this many times as far, rounded (pointer speed on
  // Windows); 1 moves exact pixels.
  double relative_scale = 1.0;
  // Swatches: a press inside one selects its colour for what is painted
  // next, and paints nothing; the swatch clicks listed (counted from 0)
  // are lost.
  std::vector<std::pair<ScreenRect, COLORREF>> swatches;
  std::vector<int> lost_swatch_clicks;
  // Answers to the F8 queries, in order; 0 once they run out.
  std::vector<std::uint16_t> abort_key_words;
  // When the first of them that was not 0 was given.
  std::optional<PacingClock::TimePoint> abort_answered;
  // How many events had been sent by then.
  std::size_t events_before_abort = 0;
  // The press (counted from 0, swatch clicks too) that fails with a
  // PlatformError once the button went down, as a desktop whose injection
  // breaks mid-click.
  std::optional<int> fail_at_press;

  [[nodiscard]] const std::vector<SentEvent>& events() const { return events_; }
  [[nodiscard]] bool button_down() const { return button_down_; }
  // Every pixel painted so far, shown or not.
  [[nodiscard]] std::set<std::pair<int, int>> Painted() const {
    std::set<std::pair<int, int>> points;
    for (const auto& [key, paint] : painted_) {
      points.insert(key);
    }
    return points;
  }

  ScreenPoint GetCursorPos() override { return pointer_; }
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    events_.push_back({flags, dx, dy, now_});
    now_ += event_time;
    const ScreenPoint from = pointer_;
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
      if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        pointer_ = AbsoluteToScreen(dx, dy, kBounds);
      } else {
        const auto scaled = [this](std::int32_t d) {
          return static_cast<std::int32_t>(std::lround(d * relative_scale));
        };
        pointer_ = {std::clamp(pointer_.x + scaled(dx), 0, kBounds.width - 1),
                    std::clamp(pointer_.y + scaled(dy), 0, kBounds.height - 1)};
      }
      if (button_down_ && pointer_ != from) {
        DrawLine(from);
      }
    }
    if ((flags & MOUSEEVENTF_LEFTDOWN) != 0 && !button_down_) {
      button_down_ = true;
      const int press = presses_++;
      if (fail_at_press == press) {
        throw PlatformError("injection failed");
      }
      const bool too_soon = last_press_ && now_ - *last_press_ < drop_within;
      last_press_ = now_;
      const bool on_swatch = OnSwatch();  // paints nothing
      if (!on_swatch && smears && busy_until_ > now_ && last_dot_) {
        SmearTo(*last_dot_);
      }
      if (!on_swatch && (!fragile || busy_until_ <= now_) && !too_soon) {
        Paint(now_ + stall_before_press[press], {pointer_});
        unshown_.erase(Key(pointer_));  // drawn again, it shows
      }
      if (speck_at_press == press) {
        Paint(now_, {{pointer_.x + 2, pointer_.y}});
      }
    }
    if ((flags & MOUSEEVENTF_LEFTUP) != 0 && button_down_) {
      button_down_ = false;
      // A stroke not drawn yet is lost: the target looks for the pointer
      // when it gets to the move, and finds the button up.
      for (const PixelKey& key : stroke_) {
        if (fragile && painted_.at(key).first > now_) {
          painted_.erase(key);
        }
      }
      stroke_.clear();
    }
  }
  std::uint16_t GetAsyncKeyState(int virtual_key) override {
    if (virtual_key != VK_F8 || abort_queries_ >= abort_key_words.size()) {
      return 0;
    }
    const std::uint16_t word = abort_key_words[abort_queries_++];
    if (word != 0 && !abort_answered) {
      abort_answered = now_;
      events_before_abort = events_.size();
    }
    return word;
  }
  DesktopArea DesktopBounds() override { return kBounds; }
  void SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) override {}
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return Read(at, true);
  }
  // What the target has drawn, shown at a frame yet or not.
  std::optional<COLORREF> ReadDrawnPixel(ScreenPoint at) override {
    return Read(at, shows_taken_late);
  }
  bool TakenInputShowsLate() override { return shows_taken_late; }
  void Flush() override {}
  bool ReportsScreenChanges() override { return reports_changes; }
  bool ReportsDrawnChanges() override { return reports_changes; }
  bool WaitForScreenChange(ScreenRect area, microseconds timeout) override {
    return WaitForPaint(area, timeout, true);
  }
  bool WaitForDrawnChange(ScreenPoint at, microseconds timeout) override {
    return WaitForPaint({at.x, at.y, 1, 1}, timeout, false);
  }

  static constexpr DesktopArea kBounds{0, 0, 640, 480};

 private:
  // Passes the fake time up to the moment paint first shows (or is drawn)
  // in `area` after the last read, or by the whole timeout.
  bool WaitForPaint(ScreenRect area, microseconds timeout, bool shown) {
    const PacingClock::TimePoint end = now_ + timeout;
    std::optional<PacingClock::TimePoint> next;
    for (const auto& [key, paint] : painted_) {
      const PacingClock::TimePoint shows =
          shown ? ShowsAt(paint.first) : paint.first;
      if (Inside(area, {key.first, key.second}) && shows > last_read_ &&
          !(shown && unshown_.contains(key)) && shows <= end &&
          (!next || shows < *next)) {
        next = shows;
      }
    }
    now_ = next ? std::max(now_, *next) : end;
    return next.has_value();
  }

  using PixelKey = std::pair<std::int32_t, std::int32_t>;
  static PixelKey Key(ScreenPoint at) { return {at.x, at.y}; }
  static bool Inside(const ScreenRect& r, ScreenPoint at) {
    return at.x >= r.left && at.y >= r.top && at.x < r.left + r.width &&
           at.y < r.top + r.height;
  }

  std::optional<COLORREF> Read(ScreenPoint at, bool shown) {
    last_read_ = now_;
    if (!readable) {
      return std::nullopt;
    }
    const auto found = painted_.find(Key(at));
    if (found == painted_.end() || (shown && unshown_.contains(Key(at))) ||
        (shown ? ShowsAt(found->second.first) : found->second.first) > now_) {
      return kPaper;
    }
    return found->second.second;
  }

  // When paint made at `painted` shows: at the next frame, if framed.
  [[nodiscard]] PacingClock::TimePoint ShowsAt(
      PacingClock::TimePoint painted) const {
    if (frame.count() == 0) {
      return painted;
    }
    const auto frames =
        (painted.time_since_epoch() + frame - microseconds(1)) / frame;
    return PacingClock::TimePoint(frames * frame);
  }

  // Whether the pointer is on a swatch; its colour is taken unless the
  // click is one to lose.
  bool OnSwatch() {
    const auto on = std::find_if(
        swatches.begin(), swatches.end(),
        [&](const auto& swatch) { return Inside(swatch.first, pointer_); });
    if (on == swatches.end()) {
      return false;
    }
    if (std::count(lost_swatch_clicks.begin(), lost_swatch_clicks.end(),
                   swatch_clicks_++) == 0) {
      colour_ = on->second;
    }
    return true;
  }

  // Pixels 1.. of the line from `from` to the pointer, less those from
  // `first` to `last`.
  [[nodiscard]] std::vector<ScreenPoint> LineTo(ScreenPoint from, int first,
                                                int last) const {
    const int steps =
        std::max(std::abs(pointer_.x - from.x), std::abs(pointer_.y - from.y));
    std::vector<ScreenPoint> pixels;
    for (int i = 1; i <= steps; ++i) {
      if (i < first || i > last) {
        pixels.push_back({from.x + (pointer_.x - from.x) * i / steps,
                          from.y + (pointer_.y - from.y) * i / steps});
      }
    }
    return pixels;
  }

  // Ink between the last dot and the pointer, as a program that draws a
  // line when it finds the button down at a later place.
  void SmearTo(ScreenPoint from) {
    const std::vector<ScreenPoint> line = LineTo(from, 0, 0);
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {  // not the pointer's
      painted_.try_emplace(Key(line[i]), now_, colour_);
    }
  }

  // The line from `from` to the pointer with the button held, less a gap.
  void DrawLine(ScreenPoint from) {
    const bool unshown = unshown_lines.contains(lines_);
    const microseconds late = late_lines[lines_];
    const auto gap = line_gaps.find(lines_++);
    const auto [first, last] =
        gap == line_gaps.end() ? std::pair{0, 0} : gap->second;
    const std::vector<ScreenPoint> line = LineTo(from, first, last);
    for (const ScreenPoint& at : line) {
      unshown_.erase(Key(at));
    }
    for (const ScreenPoint& at : Paint(now_ + late, line)) {
      stroke_.push_back(Key(at));
      if (unshown) {
        unshown_.insert(Key(at));
      }
    }
  }

  // Paints `pixels` in one go once the target gets to them at `handled`,
  // after its latency, where they are still paper; returns those painted.
  std::vector<ScreenPoint> Paint(PacingClock::TimePoint handled,
                                 const std::vector<ScreenPoint>& pixels) {
    std::vector<ScreenPoint> done;
    if (!paint_latency) {
      return done;
    }
    const PacingClock::TimePoint shows =
        std::max(handled, busy_until_) + *paint_latency;
    for (const ScreenPoint& at : pixels) {
      // Paper, or another colour painted over.
      auto [pixel, fresh] = painted_.try_emplace(Key(at), shows, colour_);
      if (fresh || pixel->second.second != colour_) {
        pixel->second = {shows, colour_};
        done.push_back(at);
      }
    }
    if (!done.empty()) {
      busy_until_ = shows;
      last_dot_ = done.back();
    }
    return done;
  }

  PacingClock::TimePoint& now_;
  ScreenPoint pointer_{};
  bool button_down_ = false;
  std::vector<SentEvent> events_;
  std::map<PixelKey, std::pair<PacingClock::TimePoint, COLORREF>> painted_;
  std::vector<PixelKey> stroke_;  // the line of the held button
  int lines_ = 0;
  std::set<PixelKey> unshown_;  // see unshown_lines
  PacingClock::TimePoint busy_until_{};
  std::optional<PacingClock::TimePoint> last_press_;
  std::optional<ScreenPoint> last_dot_;
  int presses_ = 0;
  COLORREF colour_ = kInk;  // chosen by the last swatch click taken
  int swatch_clicks_ = 0;
  PacingClock::TimePoint last_read_{};
  std::size_t abort_queries_ = 0;
};

using Stream = std::vector<MouseEvent>;
inline constexpr std::uint32_t kAbsMove =
    MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
inline constexpr std::uint32_t kAbsDown =
    MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
inline constexpr std::uint32_t kAbsUp =
    MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;

// A column of absolute dots 2 pixels apart, as the absolute plotter sends
// it; or of lines of `line` pixels down from each press. One dot is a
// click.
inline Stream AbsoluteColumn(ScreenPoint top, int count, int line = 0) {
  Stream events;
  const std::int32_t x =
      EngineCoordinate(top.x, FakePaintTarget::kBounds.width);
  const auto y_of = [](int pixel) {
    return EngineCoordinate(pixel, FakePaintTarget::kBounds.height);
  };
  for (int i = 0; i < count; ++i) {
    const std::int32_t y = y_of(top.y + (2 + line) * i);
    const std::int32_t end = y_of(top.y + (2 + line) * i + line);
    events.insert(events.end(), {{kAbsMove, x, y}, {kAbsDown, x, y}});
    if (end != y) {
      events.push_back({kAbsMove, x, end});
    }
    events.push_back({kAbsUp, x, end});
  }
  return events;
}

// The pacer in front of a fake target, both on one fake clock.
class PacerRig {
 public:
  explicit PacerRig(PacingPolicy policy = {}) {
    auto target = std::make_unique<FakePaintTarget>(now_);
    target_ = target.get();
    pacer_ = std::make_unique<DeliveryPacer>(
        std::move(target), std::make_unique<FakeClock>(now_), policy);
  }

  void Send(const Stream& events) {
    for (const MouseEvent& event : events) {
      pacer_->mouse_event(event.flags, event.dx, event.dy);
    }
  }
  void Draw(const Stream& events) {
    pacer_->DrawingStarted();
    Send(events);
    pacer_->DrawingEnded();
  }
  // Lets whatever the target still owes show.
  void Settle() { now_ += std::chrono::seconds(5); }

  FakePaintTarget& target() { return *target_; }
  DeliveryPacer& pacer() { return *pacer_; }
  [[nodiscard]] PacingClock::TimePoint now() const { return now_; }

 private:
  PacingClock::TimePoint now_{};
  FakePaintTarget* target_ = nullptr;
  std::unique_ptr<DeliveryPacer> pacer_;
};

}  // namespace scrivlet::testing
