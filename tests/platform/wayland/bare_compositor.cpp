#include "bare_compositor.h"

#include <wayland-server.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace scrivlet::testing {
namespace {

void BindNothing(wl_client* client, void* /*data*/, std::uint32_t version,
                 std::uint32_t id) {
  // The resource exists, so the client's bind succeeds; it is never used.
  wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
}

void BindOutput(wl_client* client, void* /*data*/, std::uint32_t version,
                std::uint32_t id) {
  wl_resource_create(client, &wl_output_interface, static_cast<int>(version),
                     id);
}

}  // namespace

BareCompositor::BareCompositor() : display_(wl_display_create()) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "scrivlet-bare.XXXXXX")
          .string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a directory for the compositor");
  }
  dir_ = pattern;
  socket_ = dir_ + "/wayland-bare";
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
  loop_ = std::thread([display = display_] { wl_display_run(display); });
}

BareCompositor::~BareCompositor() {
  wl_display_terminate(display_);
  loop_.join();
  wl_display_destroy_clients(display_);
  wl_display_destroy(display_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

}  // namespace scrivlet::testing
