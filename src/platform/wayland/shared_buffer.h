#pragma once

// A wl_buffer in anonymous shared memory: the screencopy target and the
// pointer overlay's transparent picture.

#include <wayland-client.h>

#include <cstddef>
#include <cstdint>

namespace scrivlet {

class SharedBuffer {
 public:
  // Throws PlatformError when the memory cannot be had.
  SharedBuffer(wl_shm* shm, std::uint32_t format, std::int32_t width,
               std::int32_t height, std::int32_t stride);
  SharedBuffer(const SharedBuffer&) = delete;
  SharedBuffer& operator=(const SharedBuffer&) = delete;
  SharedBuffer(SharedBuffer&&) = delete;
  SharedBuffer& operator=(SharedBuffer&&) = delete;
  ~SharedBuffer();

  [[nodiscard]] wl_buffer* Buffer() const { return buffer_; }
  [[nodiscard]] const std::uint8_t* Data() const { return data_; }
  [[nodiscard]] std::size_t Size() const { return size_; }

 private:
  std::size_t size_ = 0;
  std::uint8_t* data_ = nullptr;
  wl_buffer* buffer_ = nullptr;
};

}  // namespace scrivlet
