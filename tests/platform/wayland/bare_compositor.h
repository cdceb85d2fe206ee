#pragma once

// A Wayland compositor that offers nothing but a seat and a 1280 x 1024
// output: what a desktop without any route for Scrivlet looks like to a
// client. Asked to, it also offers KDE's fake input at a given version and
// records the requests it receives, as KWin would take them.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct wl_display;

namespace scrivlet::testing {

inline constexpr std::int32_t kBareOutputWidth = 1280;
inline constexpr std::int32_t kBareOutputHeight = 1024;

enum class FakeInputCall : std::uint8_t {
  Authenticate,
  Motion,
  MotionAbsolute,
  Button
};

struct FakeInputRequest {
  FakeInputCall call = FakeInputCall::Motion;
  double x = 0;  // motion: delta or position; a button: its code
  double y = 0;  // motion: delta or position; a button: its state
  friend bool operator==(const FakeInputRequest&,
                         const FakeInputRequest&) = default;
};

class BareCompositor {
 public:
  // fake_input_version 0 offers no fake input.
  explicit BareCompositor(std::uint32_t fake_input_version = 0);
  BareCompositor(const BareCompositor&) = delete;
  BareCompositor& operator=(const BareCompositor&) = delete;
  BareCompositor(BareCompositor&&) = delete;
  BareCompositor& operator=(BareCompositor&&) = delete;
  ~BareCompositor();

  // The socket's full path, for WAYLAND_DISPLAY.
  [[nodiscard]] const std::string& Socket() const { return socket_; }

  // The fake-input requests received so far; clears them. A client's
  // wl_display roundtrip makes sure its earlier requests are in.
  std::vector<FakeInputRequest> Take();
  // The application name and reason of the last authenticate request.
  [[nodiscard]] std::pair<std::string, std::string> Authentication();

  void Record(FakeInputRequest request);
  void RecordAuthentication(std::string application, std::string reason);

 private:
  std::string dir_;
  std::string socket_;
  wl_display* display_ = nullptr;
  std::mutex mutex_;
  std::vector<FakeInputRequest> requests_;
  std::pair<std::string, std::string> authentication_;
  std::atomic<bool> stop_ = false;
  std::thread loop_;
};

}  // namespace scrivlet::testing
