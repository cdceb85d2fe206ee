#include "platform/wayland/kde/kwin_screenshot.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace scrivlet {
namespace {

const BusObject kScreenShot{"org.kde.KWin", "/org/kde/KWin/ScreenShot2",
                            "org.kde.KWin.ScreenShot2"};

// KWin answers once it has painted the next frame; a few may pass while it
// is busy. A capture that takes longer is given up, never waited out.
constexpr auto kCaptureTimeout = std::chrono::milliseconds(2000);

// wl_shm's names for the byte orders of the QImage formats KWin sends.
constexpr std::uint32_t kShmArgb8888 = 0;
constexpr std::uint32_t kShmXrgb8888 = 1;
constexpr std::uint32_t kShmAbgr8888 = 0x34324241;  // "AB24"
constexpr std::uint32_t kShmXbgr8888 = 0x34324258;  // "XB24"

// The "format" result is a QImage::Format number. RGB32 and the ARGB32s are
// native 0xAARRGGBB words, the RGBA8888s bytes in R, G, B, A order; a
// premultiplied alpha changes nothing on an opaque screen.
std::optional<std::uint32_t> ShmFormatOf(std::uint32_t qt_format) {
  switch (qt_format) {
    case 4:  // Format_RGB32
      return kShmXrgb8888;
    case 5:  // Format_ARGB32
    case 6:  // Format_ARGB32_Premultiplied
      return kShmArgb8888;
    case 16:  // Format_RGBX8888
      return kShmXbgr8888;
    case 17:  // Format_RGBA8888
    case 18:  // Format_RGBA8888_Premultiplied
      return kShmAbgr8888;
    default:
      return std::nullopt;
  }
}

struct Results {
  std::string type;
  std::uint32_t format = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t stride = 0;
};

[[noreturn]] void ThrowUnreadable(const std::string& why) {
  throw PlatformError("KWin's screenshot answered " + why + ".");
}

void Check(int result, const char* what) {
  if (result < 0) {
    ThrowUnreadable(std::string("unreadably (") + what +
                    "): " + std::strerror(-result));
  }
}

Results ReadResults(sd_bus_message* reply) {
  Results results;
  Check(sd_bus_message_enter_container(reply, 'a', "{sv}"), "results");
  for (;;) {
    const int entered = sd_bus_message_enter_container(reply, 'e', "sv");
    Check(entered, "a result");
    if (entered == 0) {
      break;
    }
    const char* key = nullptr;
    Check(sd_bus_message_read(reply, "s", &key), "a result's name");
    const std::string name = key;
    if (name == "type") {
      const char* type = nullptr;
      Check(sd_bus_message_read(reply, "v", "s", &type), "type");
      results.type = type;
    } else if (name == "format" || name == "width" || name == "height" ||
               name == "stride") {
      std::uint32_t value = 0;
      Check(sd_bus_message_read(reply, "v", "u", &value), key);
      if (name == "format") {
        results.format = value;
      } else if (name == "width") {
        results.width = value;
      } else if (name == "height") {
        results.height = value;
      } else {
        results.stride = value;
      }
    } else {
      Check(sd_bus_message_skip(reply, "v"), key);
    }
    Check(sd_bus_message_exit_container(reply), "a result");
  }
  Check(sd_bus_message_exit_container(reply), "results");
  return results;
}

// Reads `size` bytes, or what comes before the writer closes the pipe.
std::vector<std::uint8_t> ReadPipe(int fd, std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::size_t got = 0;
  const auto deadline = std::chrono::steady_clock::now() + kCaptureTimeout;
  while (got < size) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) {
      continue;
    }
    if (polled <= 0) {
      ThrowUnreadable("but sent no image in time");
    }
    const ssize_t count = read(fd, bytes.data() + got, size - got);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
      continue;
    }
    if (count <= 0) {
      break;
    }
    got += static_cast<std::size_t>(count);
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace

KwinCapture KwinScreenshot::CaptureArea(ScreenRect area) {
  std::array<int, 2> ends{-1, -1};
  if (pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
    throw PlatformError(std::string("No pipe for KWin's screenshot: ") +
                        std::strerror(errno));
  }
  UniqueFd read_end(ends[0]);
  UniqueFd write_end(ends[1]);

  sd_bus_message* raw_call = nullptr;
  Check(sd_bus_message_new_method_call(
            bus_.Get(), &raw_call, kScreenShot.service.c_str(),
            kScreenShot.path.c_str(), kScreenShot.interface.c_str(),
            "CaptureArea"),
        "a new call");
  const BusMessage call(raw_call);
  // No options: the cursor stays out, as it would cover the dot just
  // clicked; sd-bus sends a copy of the pipe's end.
  Check(sd_bus_message_append(call.get(), "iiuua{sv}h", area.left, area.top,
                              static_cast<std::uint32_t>(area.width),
                              static_cast<std::uint32_t>(area.height), 0,
                              write_end.Get()),
        "the call's arguments");
  sd_bus_error error{};  // SD_BUS_ERROR_NULL, without its C compound literal
  sd_bus_message* raw_reply = nullptr;
  const int result = sd_bus_call(
      bus_.Get(), call.get(),
      std::chrono::duration_cast<std::chrono::microseconds>(kCaptureTimeout)
          .count(),
      &error, &raw_reply);
  if (result < 0) {
    ThrowBusError(kScreenShot.interface + ".CaptureArea", &error, result);
  }
  const BusMessage reply(raw_reply);
  // KWin writes from its own copy; ours must go for the reader to see the
  // end of the image.
  write_end.Close();

  const Results results = ReadResults(reply.get());
  const std::optional<std::uint32_t> format = ShmFormatOf(results.format);
  if (results.type != "raw" || !format.has_value()) {
    ThrowUnreadable("with an image of type \"" + results.type + "\", format " +
                    std::to_string(results.format) +
                    ", which Scrivlet cannot read");
  }
  if (results.width == 0 || results.height == 0 ||
      results.stride < results.width * 4) {
    ThrowUnreadable("with an image of " + std::to_string(results.width) +
                    " x " + std::to_string(results.height) + " pixels, " +
                    std::to_string(results.stride) + " bytes a row");
  }
  KwinCapture capture;
  capture.bytes = ReadPipe(read_end.Get(), std::size_t{results.stride} *
                                               std::size_t{results.height});
  capture.frame.format = *format;
  capture.frame.width = static_cast<std::int32_t>(results.width);
  capture.frame.height = static_cast<std::int32_t>(results.height);
  capture.frame.stride = static_cast<std::int32_t>(results.stride);
  capture.frame.data = capture.bytes.data();
  capture.frame.size = capture.bytes.size();
  return capture;
}

}  // namespace scrivlet
