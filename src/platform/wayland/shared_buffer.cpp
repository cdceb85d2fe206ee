#include "platform/wayland/shared_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/platform_input.h"

namespace scrivlet {

SharedBuffer::SharedBuffer(wl_shm* shm, std::uint32_t format,
                           std::int32_t width, std::int32_t height,
                           std::int32_t stride)
    : size_(static_cast<std::size_t>(stride) *
            static_cast<std::size_t>(height)) {
  const int fd = memfd_create("scrivlet-shm", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size_)) < 0) {
    const std::string reason = std::strerror(errno);
    if (fd >= 0) {
      close(fd);
    }
    throw PlatformError("Cannot make shared memory for the screen: " + reason);
  }
  void* mapped =
      mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) {
    const std::string reason = std::strerror(errno);
    close(fd);
    throw PlatformError("Cannot map shared memory for the screen: " + reason);
  }
  data_ = static_cast<std::uint8_t*>(mapped);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int>(size_));
  buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
  // The buffer keeps the pool's memory; neither the pool nor the fd is
  // needed any more.
  wl_shm_pool_destroy(pool);
  close(fd);
}

SharedBuffer::~SharedBuffer() {
  wl_buffer_destroy(buffer_);
  munmap(data_, size_);
}

}  // namespace scrivlet
