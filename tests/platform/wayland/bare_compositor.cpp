#include "bare_compositor.h"

#include <wayland-server.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "fake-input-server.h"
#include "wayland_session.h"

namespace scrivlet::testing {
namespace {

constexpr std::int32_t kBareOutputWidth = 1280;
constexpr std::int32_t kBareOutputHeight = 1024;

void BindNothing(wl_client* client, void* /*data*/, std::uint32_t version,
                 std::uint32_t id) {
  // The resource exists, so the client's bind succeeds; it is never used.
  wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
}

void BindOutput(wl_client* client, void* /*data*/, std::uint32_t version,
                std::uint32_t id) {
  wl_resource* output = wl_resource_create(client, &wl_output_interface,
                                           static_cast<int>(version), id);
  wl_output_send_mode(output, WL_OUTPUT_MODE_CURRENT, kBareOutputWidth,
                      kBareOutputHeight, 60000);
  if (version >= WL_OUTPUT_DONE_SINCE_VERSION) {
    wl_output_send_done(output);
  }
}

// Takes every request and does nothing: the client only has to get its
// requests through.
int IgnoreRequest(const void* /*implementation*/, void* /*target*/,
                  std::uint32_t /*opcode*/, const wl_message* /*message*/,
                  wl_argument* /*arguments*/) {
  return 0;
}

void BindFakeInput(wl_client* client, void* /*data*/, std::uint32_t version,
                   std::uint32_t id) {
  wl_resource* resource =
      wl_resource_create(client, &org_kde_kwin_fake_input_interface,
                         static_cast<int>(version), id);
  wl_resource_set_dispatcher(resource, &IgnoreRequest, nullptr, nullptr,
                             nullptr);
}

}  // namespace

BareCompositor::BareCompositor(std::uint32_t fake_input_version)
    : dir_(MakeTempDir("scrivlet-bare")),
      socket_(dir_ + "/wayland-bare"),
      display_(wl_display_create()) {
  // wl_display_add_socket takes a name under XDG_RUNTIME_DIR; point it at
  // the private directory for this call.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = runtime != nullptr ? runtime : "";
  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  const int added = wl_display_add_socket(display_, "wayland-bare");
  if (saved.empty()) {
    unsetenv("XDG_RUNTIME_DIR");
  } else {
    setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  }
  if (added != 0) {
    throw std::runtime_error("the bare compositor cannot listen");
  }
  wl_global_create(display_, &wl_seat_interface, 5, nullptr, BindNothing);
  wl_global_create(display_, &wl_output_interface, 2, nullptr, BindOutput);
  if (fake_input_version > 0) {
    wl_global_create(display_, &org_kde_kwin_fake_input_interface,
                     static_cast<int>(fake_input_version), nullptr,
                     BindFakeInput);
  }
  // Not wl_display_run: a terminate that comes before it starts is lost,
  // and a compositor no client ever reached would never stop.
  loop_ = std::thread([this] {
    wl_event_loop* loop = wl_display_get_event_loop(display_);
    while (!stop_) {
      wl_display_flush_clients(display_);
      wl_event_loop_dispatch(loop, -1);
    }
  });
}

BareCompositor::~BareCompositor() {
  stop_ = true;
  // Wakes the loop: its event loop watches the terminate signal.
  wl_display_terminate(display_);
  loop_.join();
  wl_display_destroy_clients(display_);
  wl_display_destroy(display_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

}  // namespace scrivlet::testing
