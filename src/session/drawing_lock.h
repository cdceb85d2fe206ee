#pragma once

// One drawing at a time per user, whoever starts it: the window on F7 or a
// `scrivlet draw` command. Two drawings would move one pointer under each
// other. On Linux a lock (flock) on a file beside the command channel, on
// Windows a named mutex in the session's namespace; either is freed by the
// system when its holder ends, however it ends.

#include <memory>

#include "platform/forwarding_desktop.h"

namespace scrivlet {

class DrawingLock {
 public:
  // Takes the lock: nullptr while another drawing holds it. Throws
  // PlatformError when there is no lock to take (no private directory).
  static std::unique_ptr<DrawingLock> TryTake();

  DrawingLock(const DrawingLock&) = delete;
  DrawingLock& operator=(const DrawingLock&) = delete;
  DrawingLock(DrawingLock&&) = delete;
  DrawingLock& operator=(DrawingLock&&) = delete;
  ~DrawingLock();

 private:
#ifdef _WIN32
  using Handle = void*;  // the mutex
#else
  using Handle = int;  // the locked file's descriptor
#endif
  explicit DrawingLock(Handle handle) : handle_(handle) {}
  Handle handle_;
};

// What a busy lock is reported as.
inline constexpr const char* kDrawingElsewhere =
    "ほかの描画(ウィンドウか scrivlet draw)が実行中です。";

// The window's desktop: holds the lock from each drawing's start to its
// end. A drawing that finds the lock taken ends before its first event with
// a PlatformError. Without a place for the lock there is nothing to share
// and the window draws as before.
class DrawingLockDesktop final : public ForwardingDesktop {
 public:
  explicit DrawingLockDesktop(std::unique_ptr<PlatformInput> desktop)
      : ForwardingDesktop(*desktop), desktop_(std::move(desktop)) {}

  void DrawingStarted() override;
  void DrawingEnded() override;

 private:
  std::unique_ptr<PlatformInput> desktop_;
  std::unique_ptr<DrawingLock> lock_;
};

}  // namespace scrivlet
