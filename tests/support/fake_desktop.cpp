#include "fake_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace scrivlet::testing {

FakeDesktop::FakeDesktop(DesktopArea bounds, ScreenPoint cursor)
    : bounds_(bounds), cursor_(cursor) {}

FakeDesktop::~FakeDesktop() {
  EXPECT_FALSE(left_down_) << "the left button was left down";
}

void FakeDesktop::ScriptKey(int virtual_key, std::size_t query_index,
                            std::uint16_t word) {
  key_script_[virtual_key][query_index] = word;
}

void FakeDesktop::FailEventAt(std::size_t event_index) {
  fail_at_ = event_index;
}

void FakeDesktop::AfterEvent(std::size_t event_index,
                             std::function<void()> action) {
  after_event_[event_index] = std::move(action);
}

void FakeDesktop::AnswerNextQuery(int virtual_key, std::uint16_t word) {
  next_answer_[virtual_key] = word;
}

std::size_t FakeDesktop::key_queries(int virtual_key) const {
  const auto found = key_queries_.find(virtual_key);
  return found == key_queries_.end() ? 0 : found->second;
}

void FakeDesktop::mouse_event(std::uint32_t flags, std::int32_t dx,
                              std::int32_t dy) {
  const std::size_t index = event_count_++;
  if (fail_at_ == index) throw PlatformError("scripted desktop failure");
  events_.push_back({flags, dx, dy});
  if ((flags & (MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE)) == MOUSEEVENTF_MOVE) {
    // A relative move stops at the desktop's edge, as a real pointer does.
    cursor_.x = std::clamp(cursor_.x + dx, bounds_.left,
                           bounds_.left + bounds_.width - 1);
    cursor_.y = std::clamp(cursor_.y + dy, bounds_.top,
                           bounds_.top + bounds_.height - 1);
  }
  const auto action = after_event_.find(index);
  if (action != after_event_.end()) action->second();
  if ((flags & MOUSEEVENTF_LEFTDOWN) != 0) left_down_ = true;
  if ((flags & MOUSEEVENTF_LEFTUP) != 0) left_down_ = false;
}

std::uint16_t FakeDesktop::GetAsyncKeyState(int virtual_key) {
  const std::size_t index = key_queries_[virtual_key]++;
  const auto next = next_answer_.find(virtual_key);
  if (next != next_answer_.end()) {
    const std::uint16_t word = next->second;
    next_answer_.erase(next);
    return word;
  }
  const auto script = key_script_.find(virtual_key);
  if (script != key_script_.end()) {
    const auto word = script->second.find(index);
    if (word != script->second.end()) return word->second;
  }
  return 0;
}

void FakeDesktop::SetWindowPos(NativeWindow window, ZOrder order) {
  window_pos_calls_.push_back({window, order});
}

}  // namespace scrivlet::testing
