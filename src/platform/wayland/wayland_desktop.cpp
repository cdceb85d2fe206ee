#include "platform/wayland/wayland_desktop.h"

#include <algorithm>
#include <memory>

#include "platform/output_geometry.h"
#include "platform/wayland/output_layout.h"
#include "platform/wayland/shared_buffer.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-output-unstable-v1-client.h"

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

DesktopArea WaylandDesktop::Output::Area() const {
  if (logical_position && logical_size) {
    return {logical_position->x, logical_position->y, logical_size->x,
            logical_size->y};
  }
  const LogicalSize size =
      ToLogicalSize(mode_width, mode_height, scale, transform);
  return {x, y, size.width, size.height};
}

WaylandDesktop::~WaylandDesktop() {
  DestroyProxy(pointer_);
  DestroyProxy(compositor_);
  DestroyProxy(shm_);
  DestroyProxy(seat_);
  for (const auto& output : outputs_) {
    DestroyProxy(output->xdg);
    DestroyProxy(output->proxy);
  }
  DestroyProxy(xdg_outputs_);
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
      [](void* data, wl_registry*, std::uint32_t name) {
        static_cast<WaylandDesktop*>(data)->ForgetOutput(name);
      }};
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
  } else if (interface == wl_output_interface.name) {
    auto output = std::make_unique<Output>();
    output->name = name;
    output->proxy =
        BindGlobal<wl_output>(registry, name, &wl_output_interface, version, 2);
    outputs_.push_back(std::move(output));
    if (watching_) {
      WatchOutput(*outputs_.back());
    }
  } else if (interface == zxdg_output_manager_v1_interface.name) {
    xdg_outputs_ = BindGlobal<zxdg_output_manager_v1>(
        registry, name, &zxdg_output_manager_v1_interface, version, 2);
  } else if (interface == zwlr_layer_shell_v1_interface.name) {
    layer_shell_ = BindGlobal<zwlr_layer_shell_v1>(
        registry, name, &zwlr_layer_shell_v1_interface, version, 1);
  } else {
    OnRouteGlobal(registry, name, interface, version);
  }
}

void WaylandDesktop::WatchOutput(Output& output) {
  static const wl_output_listener kOutput{
      [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
         std::int32_t, std::int32_t, const char*, const char*,
         std::int32_t transform) {
        auto* seen = static_cast<Output*>(data);
        seen->x = x;
        seen->y = y;
        seen->transform = static_cast<std::uint32_t>(transform);
      },
      [](void* data, wl_output*, std::uint32_t flags, std::int32_t width,
         std::int32_t height, std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
          static_cast<Output*>(data)->mode_width = width;
          static_cast<Output*>(data)->mode_height = height;
        }
      },
      [](void*, wl_output*) {},
      [](void* data, wl_output*, std::int32_t factor) {
        static_cast<Output*>(data)->scale = factor > 0 ? factor : 1;
      },
      nullptr,
      nullptr};  // name and description: bound below version 4
  wl_output_add_listener(output.proxy, &kOutput, &output);
  if (xdg_outputs_ == nullptr) {
    return;
  }
  static const zxdg_output_v1_listener kXdgOutput{
      [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        static_cast<Output*>(data)->logical_position = ScreenPoint{x, y};
      },
      [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        static_cast<Output*>(data)->logical_size = ScreenPoint{width, height};
      },
      [](void*, zxdg_output_v1*) {}, [](void*, zxdg_output_v1*, const char*) {},
      [](void*, zxdg_output_v1*, const char*) {}};
  output.xdg =
      zxdg_output_manager_v1_get_xdg_output(xdg_outputs_, output.proxy);
  zxdg_output_v1_add_listener(output.xdg, &kXdgOutput, &output);
}

void WaylandDesktop::ForgetOutput(std::uint32_t name) {
  const auto gone =
      std::find_if(outputs_.begin(), outputs_.end(),
                   [&](const auto& output) { return output->name == name; });
  if (gone == outputs_.end()) {
    return;
  }
  const auto index = static_cast<std::size_t>(gone - outputs_.begin());
  DestroyProxy((*gone)->xdg);
  DestroyProxy((*gone)->proxy);
  outputs_.erase(gone);
  // The desktop moves to the first output when its own goes away.
  if (current_ == index) {
    current_ = 0;
  } else if (current_ > index) {
    --current_;
  }
}

const WaylandDesktop::Output* WaylandDesktop::Current() const {
  return current_ < outputs_.size() ? outputs_[current_].get() : nullptr;
}

wl_output* WaylandDesktop::CurrentOutput() const {
  const Output* output = Current();
  return output != nullptr ? output->proxy : nullptr;
}

std::uint32_t WaylandDesktop::CurrentTransform() const {
  const Output* output = Current();
  return output != nullptr ? output->transform : 0;
}

void WaylandDesktop::WatchOutputAndSeat() {
  watching_ = true;
  for (const auto& output : outputs_) {
    WatchOutput(*output);
  }
  static const wl_pointer_listener kPointer{
      [](void* data, wl_pointer*, std::uint32_t, wl_surface* surface,
         wl_fixed_t x, wl_fixed_t y) {
        auto* self = static_cast<WaylandDesktop*>(data);
        if (self->probes_ == nullptr) {
          return;
        }
        for (PointerProbe& probe : *self->probes_) {
          if (surface == probe.surface) {
            probe.seen = ScreenPoint{wl_fixed_to_int(x), wl_fixed_to_int(y)};
          }
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
  const DesktopArea area = Bounds();
  if (area.width <= 0 || area.height <= 0) {
    throw PlatformError(Named() + " reported no output size.");
  }
}

DesktopArea WaylandDesktop::AreaOf(std::size_t index) const {
  // An output may go away while the overlays are up.
  return index < outputs_.size() ? outputs_[index]->Area() : DesktopArea{};
}

DesktopArea WaylandDesktop::Bounds() const { return AreaOf(current_); }

DesktopArea WaylandDesktop::LayoutBounds() const {
  std::vector<DesktopArea> areas;
  areas.reserve(outputs_.size());
  for (const auto& output : outputs_) {
    areas.push_back(output->Area());
  }
  return Enclosing(areas);
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
  if (outputs_.empty()) {
    throw PlatformError(Named() + " shows no output to find the pointer on.");
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
  // One overlay on every output: the pointer may be on any of them.
  std::vector<PointerProbe> probes(outputs_.size());
  for (std::size_t index = 0; index < probes.size(); ++index) {
    PointerProbe& probe = probes[index];
    probe.output = index;
    probe.surface = wl_compositor_create_surface(compositor_);
    probe.layer = zwlr_layer_shell_v1_get_layer_surface(
        layer_shell_, probe.surface, outputs_[index]->proxy,
        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "scrivlet-pointer");
    zwlr_layer_surface_v1_set_anchor(probe.layer,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // Over panels too, so the pointer is found wherever it stands.
    zwlr_layer_surface_v1_set_exclusive_zone(probe.layer, -1);
    zwlr_layer_surface_v1_add_listener(probe.layer, &kLayerListener, &probe);
    wl_surface_commit(probe.surface);
  }
  probes_ = &probes;
  std::vector<std::unique_ptr<SharedBuffer>> pictures;
  const auto seen = [&] {
    return std::find_if(probes.begin(), probes.end(), [](const auto& probe) {
      return probe.seen.has_value();
    });
  };
  try {
    connection_.DispatchUntil(
        [&] {
          return std::all_of(
              probes.begin(), probes.end(),
              [](const auto& probe) { return probe.configured; });
        },
        kWaylandFrameTimeoutMs, "place the pointer overlay");
    for (PointerProbe& probe : probes) {
      zwlr_layer_surface_v1_ack_configure(probe.layer, probe.configure_serial);
      const DesktopArea area = AreaOf(probe.output);
      const std::int32_t width = probe.width > 0 ? probe.width : area.width;
      const std::int32_t height = probe.height > 0 ? probe.height : area.height;
      // Zero-filled ARGB: fully transparent, so nothing flashes.
      pictures.push_back(std::make_unique<SharedBuffer>(
          shm_, WL_SHM_FORMAT_ARGB8888, width, height, width * 4));
      wl_surface_attach(probe.surface, pictures.back()->Buffer(), 0, 0);
      wl_surface_commit(probe.surface);
    }
    // The compositor tells the surface under the pointer where the pointer
    // entered it: over a whole output, that is the position on it.
    connection_.DispatchUntil([&] { return seen() != probes.end(); },
                              kWaylandFrameTimeoutMs,
                              "report the pointer position");
  } catch (...) {
    EndProbes(probes);
    throw;
  }
  const PointerProbe& found = *seen();
  current_ = found.output;
  const DesktopArea area = AreaOf(found.output);
  const ScreenPoint at{area.left + found.seen->x, area.top + found.seen->y};
  EndProbes(probes);
  return at;
}

void WaylandDesktop::EndProbes(std::vector<PointerProbe>& probes) {
  probes_ = nullptr;
  std::optional<ScreenPoint> seen;
  for (const PointerProbe& probe : probes) {
    zwlr_layer_surface_v1_destroy(probe.layer);
    wl_surface_destroy(probe.surface);
    if (probe.seen) {
      const DesktopArea area = AreaOf(probe.output);
      seen = ScreenPoint{area.left + probe.seen->x, area.top + probe.seen->y};
    }
  }
  // sway leaves the pointer on no surface once the overlay is gone, until
  // the pointer moves: a click right after would reach no program. A move
  // onto the pixel found hands the pointer back to the window under it, and
  // puts relative moves inside pixels too.
  if (seen) {
    MoveOntoPixel(*seen);
  } else {
    NudgePointer();
  }
  connection_.Flush();
}

}  // namespace scrivlet
