#pragma once

// A scriptable stand-in for the desktop: records every mouse event, moves the
// pointer on relative moves (stopping at the desktop's edge), answers
// key-state queries from a script and checks on teardown that the left button
// was not left down.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet::testing {

struct MouseEventRecord {
  std::uint32_t flags = 0;
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  friend bool operator==(const MouseEventRecord&,
                         const MouseEventRecord&) = default;
};

struct WindowPosRecord {
  NativeWindow window = 0;
  ZOrder order = ZOrder::NotTopmost;
  friend bool operator==(const WindowPosRecord&,
                         const WindowPosRecord&) = default;
};

class FakeDesktop : public PlatformInput {
 public:
  explicit FakeDesktop(DesktopArea bounds = {0, 0, 1920, 1080},
                       ScreenPoint cursor = {100, 100});
  // Fails the running test if the left button is still down.
  ~FakeDesktop() override;

  // The n-th query (counted from 0) of `virtual_key` answers `word`; queries
  // not scripted answer 0.
  void ScriptKey(int virtual_key, std::size_t query_index, std::uint16_t word) {
    key_script_[{virtual_key, query_index}] = word;
  }
  // The event with this index (counted from 0) throws PlatformError instead
  // of being recorded.
  void FailEventAt(std::size_t event_index) { fail_at_ = event_index; }
  // Runs `action` right after the event with this index has been recorded:
  // a key press or a screen change at that moment of a drawing.
  void AfterEvent(std::size_t event_index, std::function<void()> action) {
    after_event_[event_index] = std::move(action);
  }
  // The next query of `virtual_key` answers `word`, once.
  void AnswerNextQuery(int virtual_key, std::uint16_t word) {
    ScriptKey(virtual_key, key_queries(virtual_key), word);
  }
  void SetCursor(ScreenPoint cursor) { cursor_ = cursor; }
  void SetBounds(DesktopArea bounds) { bounds_ = bounds; }

  [[nodiscard]] const std::vector<MouseEventRecord>& events() const {
    return events_;
  }
  [[nodiscard]] std::size_t key_queries(int virtual_key) const;
  [[nodiscard]] bool left_button_down() const { return left_down_; }
  [[nodiscard]] const std::vector<WindowPosRecord>& window_pos_calls() const {
    return window_pos_calls_;
  }
  // Forget what was recorded so far (the script stays).
  void ClearEvents() { events_.clear(); }

  ScreenPoint GetCursorPos() override { return cursor_; }
  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override;
  std::uint16_t GetAsyncKeyState(int virtual_key) override;
  DesktopArea DesktopBounds() override { return bounds_; }
  void SetWindowPos(NativeWindow window, ZOrder order) override;
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint /*at*/) override {
    return std::nullopt;
  }
  void Flush() override {
    if (on_flush) on_flush();
  }
  void DrawingStarted() override { ++drawings_started; }
  void DrawingEnded() override { ++drawings_ended; }
  void DrawingAborted() override { ++drawings_aborted; }
  void InkChosen(ScreenPoint /*swatch*/, COLORREF colour) override {
    inks_chosen.emplace_back(events_.size(), colour);
  }

  int drawings_started = 0;
  int drawings_ended = 0;
  int drawings_aborted = 0;
  // Runs at each Flush: where delivery sends the last dots it held.
  std::function<void()> on_flush;
  // Each InkChosen: the events recorded before it, and its colour.
  std::vector<std::pair<std::size_t, COLORREF>> inks_chosen;

 private:
  DesktopArea bounds_;
  ScreenPoint cursor_;
  std::vector<MouseEventRecord> events_;
  std::vector<WindowPosRecord> window_pos_calls_;
  std::map<std::pair<int, std::size_t>, std::uint16_t> key_script_;
  std::map<int, std::size_t> key_queries_;
  std::optional<std::size_t> fail_at_;
  std::map<std::size_t, std::function<void()>> after_event_;
  std::size_t event_count_ = 0;
  bool left_down_ = false;
};

}  // namespace scrivlet::testing
