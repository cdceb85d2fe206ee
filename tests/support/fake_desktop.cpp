#include "fake_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace scrivlet::testing {

FakeDesktop::FakeDesktop(DesktopArea bounds, ScreenPoint cursor)
    : bounds_(bounds), cursor_(cursor) {}

FakeDesktop::~FakeDesktop() {
  EXPECT_FALSE(left_down_) << "the left button was left down";
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
  const auto word =
      key_script_.find({virtual_key, key_queries_[virtual_key]++});
  return word == key_script_.end() ? 0 : word->second;
}

void FakeDesktop::SetWindowPos(NativeWindow window, ZOrder order) {
  window_pos_calls_.push_back({window, order});
}

}  // namespace scrivlet::testing
