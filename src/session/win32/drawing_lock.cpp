#include "session/drawing_lock.h"

#include "platform/win32/win32_api.h"

namespace scrivlet {

std::unique_ptr<DrawingLock> DrawingLock::TryTake() {
  // Local\: one lock per logon session, as the pointer is.
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, L"Local\\ScrivletDrawing");
  if (mutex == nullptr) {
    throw PlatformError("Cannot make the drawing lock (error " +
                        std::to_string(::GetLastError()) + ")");
  }
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  // Abandoned: its holder ended without letting go; the lock is ours now.
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return nullptr;
  }
  return std::unique_ptr<DrawingLock>(new DrawingLock(mutex));
}

DrawingLock::~DrawingLock() {
  ::ReleaseMutex(handle_);
  ::CloseHandle(handle_);
}

}  // namespace scrivlet
