#pragma once

// Who owns the command channel. The running program holds a lock on a file
// beside the socket (scrivlet.lock) for as long as it runs: taking the lock
// is the claim to be the one Scrivlet, and holding it proves that whoever
// made a socket there before is gone. The lock is an open-file lock, which
// the kernel drops with the program however it ends.

#include <memory>
#include <string>

namespace scrivlet {

// Throws PlatformError, naming the reason, unless the channel at
// `socket_path` is this user's to use: the path fits a Unix socket, its
// directory is the user's own or a shared one of root's, and the socket and
// the lock file are absent or the user's, the socket a socket.
void CheckChannelPlace(const std::string& socket_path);

class ChannelLock {
 public:
  // Takes the lock of the channel at `socket_path`; nullptr when another
  // program holds it. Throws PlatformError when the lock file cannot be made.
  static std::unique_ptr<ChannelLock> Take(const std::string& socket_path);

  ChannelLock(const ChannelLock&) = delete;
  ChannelLock& operator=(const ChannelLock&) = delete;
  ChannelLock(ChannelLock&&) = delete;
  ChannelLock& operator=(ChannelLock&&) = delete;
  ~ChannelLock();

 private:
  explicit ChannelLock(int fd) : fd_(fd) {}
  int fd_;
};

// Whether a program holds the lock of the channel at `socket_path` now: one
// that has claimed the channel but does not answer yet, or at all.
bool ChannelLockHeld(const std::string& socket_path);

}  // namespace scrivlet
