#include "fake_desktop.h"

#include <gtest/gtest.h>

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

void FakeDesktop::HoldKey(int virtual_key, std::uint16_t word) {
  held_keys_[virtual_key] = word;
}

void FakeDesktop::FailEventAt(std::size_t event_index) {
  fail_at_ = event_index;
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
  if ((flags & MOUSEEVENTF_LEFTDOWN) != 0) left_down_ = true;
  if ((flags & MOUSEEVENTF_LEFTUP) != 0) left_down_ = false;
}

std::uint16_t FakeDesktop::GetAsyncKeyState(int virtual_key) {
  const std::size_t index = key_queries_[virtual_key]++;
  const auto script = key_script_.find(virtual_key);
  if (script != key_script_.end()) {
    const auto word = script->second.find(index);
    if (word != script->second.end()) return word->second;
  }
  const auto held = held_keys_.find(virtual_key);
  return held == held_keys_.end() ? 0 : held->second;
}

void FakeDesktop::SetWindowPos(NativeWindow window, ZOrder order) {
  window_pos_calls_.push_back({window, order});
}

}  // namespace scrivlet::testing
