#include "session/channel_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/platform_input.h"

namespace scrivlet {
namespace {

std::string LockPath(const std::string& socket_path) {
  return std::filesystem::path(socket_path).replace_filename("scrivlet.lock");
}

[[noreturn]] void OtherUsers(const std::string& path, uid_t owner,
                             const char* advice) {
  throw PlatformError(path + " belongs to another user (uid " +
                      std::to_string(owner) + ", this is uid " +
                      std::to_string(geteuid()) + "). " + advice);
}

// A whole-file write lock, as open-file locks describe it.
struct flock WholeFile() {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return lock;
}

}  // namespace

void CheckChannelPlace(const std::string& socket_path) {
  if (socket_path.size() >= sizeof(sockaddr_un{}.sun_path)) {
    throw PlatformError(
        "The command channel's path is too long for a Unix "
        "socket (" +
        std::to_string(socket_path.size()) + " bytes, at most " +
        std::to_string(sizeof(sockaddr_un{}.sun_path) - 1) +
        "): " + socket_path);
  }
  const std::string dir =
      std::filesystem::path(socket_path).parent_path().string();
  struct stat info {};
  if (stat(dir.c_str(), &info) != 0) {
    throw PlatformError("Cannot use the runtime directory " + dir + ": " +
                        std::strerror(errno));
  }
  // Root's shared directories (/tmp) are allowed; another user's private
  // one comes only with a borrowed environment.
  if (info.st_uid != geteuid() && info.st_uid != 0) {
    OtherUsers(dir, info.st_uid,
               "XDG_RUNTIME_DIR must name this user's own directory; was "
               "the environment kept across a change of user (sudo -E)?");
  }
  for (const std::string& path : {socket_path, LockPath(socket_path)}) {
    if (lstat(path.c_str(), &info) == 0 && info.st_uid != geteuid()) {
      OtherUsers(path, info.st_uid,
                 "Another user's Scrivlet uses this directory; each user "
                 "needs a private XDG_RUNTIME_DIR.");
    }
  }
  if (lstat(socket_path.c_str(), &info) == 0 && !S_ISSOCK(info.st_mode)) {
    throw PlatformError("Cannot open the command channel: " + socket_path +
                        " exists and is not a socket.");
  }
}

std::unique_ptr<ChannelLock> ChannelLock::Take(const std::string& socket_path) {
  const std::string path = LockPath(socket_path);
  const int fd =
      open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    throw PlatformError("Cannot make the command channel's lock file " + path +
                        ": " + std::strerror(errno));
  }
  struct flock lock = WholeFile();
  if (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    const int error = errno;
    close(fd);
    if (error == EAGAIN || error == EACCES) {
      return nullptr;
    }
    throw PlatformError("Cannot lock " + path + ": " + std::strerror(error));
  }
  return std::unique_ptr<ChannelLock>(new ChannelLock(fd));
}

ChannelLock::~ChannelLock() { close(fd_); }

bool ChannelLockHeld(const std::string& socket_path) {
  const int fd =
      open(LockPath(socket_path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    return false;
  }
  struct flock lock = WholeFile();
  const bool held =
      fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  close(fd);
  return held;
}

}  // namespace scrivlet
