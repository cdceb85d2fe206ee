#include "platform/wayland/wayland_desktop.h"

#include <memory>

#include "platform/wayland/shared_buffer.h"
#include "wlr-layer-shell-unstable-v1-client.h"

namespace scrivlet {

void DestroyProxy(void* proxy) {
  if (proxy != nullptr) {
    wl_proxy_destroy(static_cast<wl_proxy*>(proxy));
  }
}

void MissingGlobals::Need(const void* global, const std::string& what) {
  if (global == nullptr) {
    names_ += names_.empty() ? "" : ", ";
    names_ += what;
  }
}

WaylandDesktop::WaylandDesktop() = default;

WaylandDesktop::~WaylandDesktop() {
  DestroyProxy(pointer_);
  DestroyProxy(compositor_);
  DestroyProxy(shm_);
  DestroyProxy(seat_);
  DestroyProxy(output_);
  DestroyProxy(layer_shell_);
  DestroyProxy(registry_);
}

void WaylandDesktop::ListGlobals() {
  registry_ = wl_display_get_registry(connection_.Display());
  static const wl_registry_listener kRegistry{
      [](void* data, wl_registry* registry, std::uint32_t name,
         const char* interface, std::uint32_t version) {
        static_cast<WaylandDesktop*>(data)->OnGlobal(registry, name, interface,
                                                     version);
      },
      [](void*, wl_registry*, std::uint32_t) {}};
  wl_registry_add_listener(registry_, &kRegistry, this);
  connection_.Roundtrip("list its interfaces");
}

void WaylandDesktop::OnGlobal(wl_registry* registry, std::uint32_t name,
                              const std::string& interface,
                              std::uint32_t version) {
  if (interface == wl_compositor_interface.name) {
    compositor_ = BindGlobal<wl_compositor>(
        registry, name, &wl_compositor_interface, version, 4);
  } else if (interface == wl_shm_interface.name) {
    shm_ = BindGlobal<wl_shm>(registry, name, &wl_shm_interface, version, 1);
  } else if (interface == wl_seat_interface.name && seat_ == nullptr) {
    seat_ = BindGlobal<wl_seat>(registry, name, &wl_seat_interface, version, 5);
  } else if (interface == wl_output_interface.name && output_ == nullptr) {
    // One output: the one absolute motion and read-back span.
    output_ =
        BindGlobal<wl_output>(registry, name, &wl_output_interface, version, 2);
  } else if (interface == zwlr_layer_shell_v1_interface.name) {
    layer_shell_ = BindGlobal<zwlr_layer_shell_v1>(
        registry, name, &zwlr_layer_shell_v1_interface, version, 1);
  } else {
    OnRouteGlobal(registry, name, interface, version);
  }
}

void WaylandDesktop::WatchOutputAndSeat() {
  static const wl_output_listener kOutput{
      [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t,
         std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {},
      [](void* data, wl_output*, std::uint32_t flags, std::int32_t width,
         std::int32_t height, std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
          auto* mode = static_cast<OutputMode*>(data);
          mode->width = width;
          mode->height = height;
        }
      },
      [](void*, wl_output*) {},
      [](void* data, wl_output*, std::int32_t factor) {
        static_cast<OutputMode*>(data)->scale = factor > 0 ? factor : 1;
      },
      nullptr,
      nullptr};  // name and description: bound below version 4
  if (output_ != nullptr) {
    wl_output_add_listener(output_, &kOutput, &mode_);
  }
  static const wl_pointer_listener kPointer{
      [](void* data, wl_pointer*, std::uint32_t, wl_surface* surface,
         wl_fixed_t x, wl_fixed_t y) {
        auto* self = static_cast<WaylandDesktop*>(data);
        if (self->probe_ != nullptr && surface == self->probe_->surface) {
          self->probe_->seen =
              ScreenPoint{wl_fixed_to_int(x), wl_fixed_to_int(y)};
        }
      },
      [](void*, wl_pointer*, std::uint32_t, wl_surface*) {},
      [](void*, wl_pointer*, std::uint32_t, wl_fixed_t, wl_fixed_t) {},
      [](void*, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t,
         std::uint32_t) {},
      [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
      [](void*, wl_pointer*) {},
      [](void*, wl_pointer*, std::uint32_t) {},
      [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
      [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
      nullptr};  // axis_value120: bound below version 8
  static const wl_seat_listener kSeat{
      [](void* data, wl_seat* seat, std::uint32_t capabilities) {
        auto* self = static_cast<WaylandDesktop*>(data);
        const bool has = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
        if (has && self->pointer_ == nullptr) {
          self->pointer_ = wl_seat_get_pointer(seat);
          wl_pointer_add_listener(self->pointer_, &kPointer, self);
        } else if (!has && self->pointer_ != nullptr) {
          wl_pointer_release(self->pointer_);
          self->pointer_ = nullptr;
        }
      },
      [](void*, wl_seat*, const char*) {}};
  if (seat_ != nullptr) {
    wl_seat_add_listener(seat_, &kSeat, this);
  }
}

void WaylandDesktop::RequireOutputSize() const {
  if (mode_.width <= 0 || mode_.height <= 0) {
    throw PlatformError(Named() + " reported no output size.");
  }
}

DesktopArea WaylandDesktop::Bounds() const {
  return {0, 0, mode_.width / mode_.scale, mode_.height / mode_.scale};
}

ScreenPoint WaylandDesktop::GetCursorPos() {
  if (layer_shell_ == nullptr || compositor_ == nullptr || seat_ == nullptr ||
      shm_ == nullptr) {
    throw PlatformError(
        Named() +
        " offers no zwlr_layer_shell_v1 (or no wl_seat, wl_compositor or "
        "wl_shm), which Scrivlet needs to find the pointer where a drawing "
        "starts, in both modes. sway and KWin 5.27 or later offer it.");
  }
  if (pointer_ == nullptr) {
    connection_.Roundtrip("give a pointer");
  }
  return ProbePointer();
}

std::uint16_t WaylandDesktop::GetAsyncKeyState(int /*virtual_key*/) {
  connection_.DispatchArrived();
  return 0;
}

DesktopArea WaylandDesktop::DesktopBounds() {
  connection_.DispatchArrived();
  return Bounds();
}

void WaylandDesktop::SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) {
  throw PlatformError(
      "Wayland lets no program keep its own window on top. Use the desktop's "
      "own setting: a window rule or the window menu (see the README).");
}

void WaylandDesktop::Flush() {
  connection_.Roundtrip("take the pointer events");
}

ScreenPoint WaylandDesktop::ProbePointer() {
  static const zwlr_layer_surface_v1_listener kLayerListener{
      [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial,
         std::uint32_t width, std::uint32_t height) {
        auto* probe = static_cast<PointerProbe*>(data);
        probe->configured = true;
        probe->configure_serial = serial;
        probe->width = static_cast<std::int32_t>(width);
        probe->height = static_cast<std::int32_t>(height);
      },
      [](void*, zwlr_layer_surface_v1*) {}};
  PointerProbe probe;
  probe.surface = wl_compositor_create_surface(compositor_);
  zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
      layer_shell_, probe.surface, output_, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
      "scrivlet-pointer");
  zwlr_layer_surface_v1_set_anchor(layer,
                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  // Over panels too, so the pointer is found wherever it stands.
  zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
  zwlr_layer_surface_v1_add_listener(layer, &kLayerListener, &probe);
  wl_surface_commit(probe.surface);
  probe_ = &probe;
  std::unique_ptr<SharedBuffer> picture;
  try {
    connection_.DispatchUntil([&] { return probe.configured; },
                              kWaylandFrameTimeoutMs,
                              "place the pointer overlay");
    zwlr_layer_surface_v1_ack_configure(layer, probe.configure_serial);
    const std::int32_t width = probe.width > 0 ? probe.width : Bounds().width;
    const std::int32_t height =
        probe.height > 0 ? probe.height : Bounds().height;
    // Zero-filled ARGB: fully transparent, so nothing flashes.
    picture = std::make_unique<SharedBuffer>(shm_, WL_SHM_FORMAT_ARGB8888,
                                             width, height, width * 4);
    wl_surface_attach(probe.surface, picture->Buffer(), 0, 0);
    wl_surface_commit(probe.surface);
    // The compositor tells the surface under the pointer where the pointer
    // entered it: over the whole output, that is the position.
    connection_.DispatchUntil([&] { return probe.seen.has_value(); },
                              kWaylandFrameTimeoutMs,
                              "report the pointer position");
  } catch (...) {
    EndProbe(layer, probe);
    throw;
  }
  EndProbe(layer, probe);
  return *probe.seen;
}

void WaylandDesktop::EndProbe(zwlr_layer_surface_v1* layer,
                              PointerProbe& probe) {
  probe_ = nullptr;
  zwlr_layer_surface_v1_destroy(layer);
  wl_surface_destroy(probe.surface);
  // sway leaves the pointer on no surface once the overlay is gone, until
  // the pointer moves: a click right after would reach no program. A move
  // onto the pixel found hands the pointer back to the window under it, and
  // puts relative moves inside pixels too.
  if (probe.seen) {
    MoveOntoPixel(*probe.seen);
  } else {
    NudgePointer();
  }
  connection_.Flush();
}

}  // namespace scrivlet
