#include "session/drawing_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "session/channel_lock.h"
#include "session/command_channel.h"

namespace scrivlet {

std::unique_ptr<DrawingLock> DrawingLock::TryTake() {
  // Beside the command channel, in the same private place.
  const std::string channel = CommandChannelPath();
  // Not in another user's directory (sudo -E): a lock file of ours there
  // would keep that user's own drawings out.
  CheckChannelPlace(channel);
  const std::string path =
      channel.substr(0, channel.rfind('/')) + "/scrivlet-drawing.lock";
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
