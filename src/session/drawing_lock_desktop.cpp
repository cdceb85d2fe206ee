#include "session/drawing_lock.h"

namespace scrivlet {

void DrawingLockDesktop::DrawingStarted() {
  std::unique_ptr<DrawingLock> lock;
  bool free = true;
  try {
    lock = DrawingLock::TryTake();
    free = lock != nullptr;
  } catch (const PlatformError&) {  // NOLINT(bugprone-empty-catch)
    // No lock to take (no private directory): nothing to share it with.
  }
  if (!free) {
    throw PlatformError(kDrawingElsewhere);
  }
  ForwardingDesktop::DrawingStarted();
  lock_ = std::move(lock);
}

void DrawingLockDesktop::DrawingEnded() {
  // Freed however the drawing ends.
  const std::unique_ptr<DrawingLock> lock = std::move(lock_);
  ForwardingDesktop::DrawingEnded();
}

}  // namespace scrivlet
