#pragma once

// One Scrivlet per Windows session: two would both draw on one F7, each
// moving the pointer under the other. The first start holds a named mutex in
// the session's namespace; a later start asks the window of the first to
// come to the front and leaves.

#include "platform/win32/win32_api.h"

namespace scrivlet {

// The message a later start sends the first one's main window: come to the
// front and say so. The window answers kRaiseAnswer once it has.
UINT RaiseRequestMessage();
inline constexpr LRESULT kRaiseAnswer = 0x5C71;

class SingleInstance {
 public:
  // Claims the session's one instance.
  SingleInstance();
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  SingleInstance(SingleInstance&&) = delete;
  SingleInstance& operator=(SingleInstance&&) = delete;

  // false: another Scrivlet of this session runs.
  [[nodiscard]] bool first() const { return first_; }

 private:
  HANDLE mutex_;
  bool first_;
};

// Finds the running Scrivlet's main window (of class `window_class`), lets
// it take the foreground and asks it to come to the front. true once it
// answered; false if no window answered within a few seconds.
bool RaiseRunningInstance(const wchar_t* window_class);

}  // namespace scrivlet
