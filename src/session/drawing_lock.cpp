#include "session/drawing_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace scrivlet {

std::unique_ptr<DrawingLock> DrawingLock::TryTake() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') {
    throw PlatformError(
        "XDG_RUNTIME_DIR is not set, so there is no private place for the "
        "lock that keeps two drawings apart.");
  }
  const std::string path = std::string(runtime) + "/scrivlet-drawing.lock";
  // The file only carries the lock; it is never written nor removed, so
  // that every taker locks the same file.
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    throw PlatformError("Cannot open the drawing lock " + path + ": " +
                        std::strerror(errno));
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) {
      return nullptr;
    }
    throw PlatformError("Cannot take the drawing lock " + path + ": " +
                        std::strerror(error));
  }
  return std::unique_ptr<DrawingLock>(new DrawingLock(fd));
}

DrawingLock::~DrawingLock() { ::close(handle_); }

}  // namespace scrivlet
