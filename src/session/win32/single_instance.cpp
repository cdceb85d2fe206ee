#include "session/win32/single_instance.h"

#include <chrono>
#include <thread>

namespace scrivlet {
namespace {

// "Local\" puts the name in this session's namespace: another user's
// session (fast user switching, remote desktop) has its own Scrivlet.
constexpr const wchar_t* kMutexName = L"Local\\Scrivlet.Instance";
constexpr int kFindAttempts = 50;
constexpr auto kFindPause = std::chrono::milliseconds(100);
constexpr UINT kAnswerTimeoutMs = 5000;

}  // namespace

UINT RaiseRequestMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"Scrivlet.Raise");
  return message;
}

SingleInstance::SingleInstance()
    : mutex_(::CreateMutexW(nullptr, FALSE, kMutexName)),
      // Without a mutex (out of handles) the program runs alone rather than
      // not at all.
      first_(mutex_ == nullptr || ::GetLastError() != ERROR_ALREADY_EXISTS) {}

SingleInstance::~SingleInstance() {
  if (mutex_ != nullptr) {
    ::CloseHandle(mutex_);
  }
}

bool RaiseRunningInstance(const wchar_t* window_class) {
  // The first program may still be building its window.
  for (int attempt = 0; attempt < kFindAttempts; ++attempt) {
    if (HWND window = ::FindWindowW(window_class, nullptr)) {
      // Windows lets only the program the user just started take the
      // foreground; it hands that right on to the running one.
      DWORD process = 0;
      ::GetWindowThreadProcessId(window, &process);
      ::AllowSetForegroundWindow(process);
      DWORD_PTR answer = 0;
      return ::SendMessageTimeoutW(window, RaiseRequestMessage(), 0, 0,
                                   SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                                   &answer) != 0 &&
             static_cast<LRESULT>(answer) == kRaiseAnswer;
    }
    std::this_thread::sleep_for(kFindPause);
  }
  return false;
}

}  // namespace scrivlet
