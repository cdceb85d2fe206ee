#pragma once

// A POSIX file descriptor owned by one scope: closed when it ends, unless
// handed on. For the backends and the session code that talk over pipes
// and sockets (Linux only).

#include <unistd.h>

#include <utility>

namespace scrivlet {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&&) = delete;
  UniqueFd& operator=(UniqueFd&&) = delete;
  ~UniqueFd() { Close(); }

  [[nodiscard]] int Get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  // Hands the descriptor on; this no longer closes it.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace scrivlet
