// The Wayland desktop on wlroots compositors (sway, labwc, wayfire, ...):
// a virtual pointer moves and clicks, screencopy reads the screen back, and
// a transparent layer-shell overlay, shown for an instant, learns where the
// pointer is. Wayland gives no program the global key state: F7 and F8
// reach Scrivlet through its command channel (scrivlet --start/--abort),
// bound to the keys in the compositor.

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/wayland/shared_buffer.h"
#include "platform/wayland/shm_frame.h"
#include "platform/wayland/wayland_connection.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "wlr-screencopy-unstable-v1-client.h"
#include "wlr-virtual-pointer-unstable-v1-client.h"

namespace scrivlet {
namespace {

// A frame comes with the next repaint; a few of them may pass while the
// compositor is busy.
constexpr int kFrameTimeoutMs = 2000;

// Binds a global at the highest version both sides know.
template <typename Proxy>
Proxy* Bind(wl_registry* registry, std::uint32_t name,
            const wl_interface* interface, std::uint32_t offered,
            std::uint32_t wanted) {
  return static_cast<Proxy*>(wl_registry_bind(
      registry, name, interface, offered < wanted ? offered : wanted));
}

// The compositor's objects this backend holds. libwayland frees no proxy on
// disconnect, so each is destroyed here, also when opening fails half-way.
struct Globals {
  Globals() = default;
  Globals(const Globals&) = delete;
  Globals& operator=(const Globals&) = delete;
  Globals(Globals&&) = delete;
  Globals& operator=(Globals&&) = delete;
  ~Globals() {
    const auto destroy = [](auto* proxy) {
      if (proxy != nullptr) {
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(proxy));
      }
    };
    destroy(virtual_pointer);
    destroy(pointer);
    destroy(compositor);
    destroy(shm);
    destroy(seat);
    destroy(output);
    destroy(pointer_manager);
    destroy(screencopy);
    destroy(layer_shell);
    destroy(registry);
  }

  wl_registry* registry = nullptr;
  zwlr_virtual_pointer_v1* virtual_pointer = nullptr;
  wl_pointer* pointer = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  wl_output* output = nullptr;
  zwlr_virtual_pointer_manager_v1* pointer_manager = nullptr;
  zwlr_screencopy_manager_v1* screencopy = nullptr;
  zwlr_layer_shell_v1* layer_shell = nullptr;
};

struct OutputMode {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t scale = 1;
};

// One screencopy request and what the compositor answered.
struct FrameCopy {
  wl_shm* shm = nullptr;
  std::unique_ptr<SharedBuffer> buffer;
  ShmFrame frame;
  bool finished = false;
  bool failed = false;
  std::string problem;
};

// The overlay that learns the pointer position, while it is shown.
struct PointerProbe {
  wl_surface* surface = nullptr;
  bool configured = false;
  std::uint32_t configure_serial = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<ScreenPoint> seen;
};

void ReceiveBuffer(FrameCopy& copy, zwlr_screencopy_frame_v1* frame,
                   std::uint32_t format, std::uint32_t width,
                   std::uint32_t height, std::uint32_t stride) {
  if (!IsReadableShmFormat(format)) {
    throw PlatformError("it offers pixel format " + std::to_string(format) +
                        ", which Scrivlet cannot read");
  }
  copy.buffer = std::make_unique<SharedBuffer>(
      copy.shm, format, static_cast<std::int32_t>(width),
      static_cast<std::int32_t>(height), static_cast<std::int32_t>(stride));
  copy.frame.format = format;
  copy.frame.width = static_cast<std::int32_t>(width);
  copy.frame.height = static_cast<std::int32_t>(height);
  copy.frame.stride = static_cast<std::int32_t>(stride);
  copy.frame.data = copy.buffer->Data();
  copy.frame.size = copy.buffer->Size();
  zwlr_screencopy_frame_v1_copy(frame, copy.buffer->Buffer());
}

std::uint32_t NowMs() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

class WaylandDesktop final : public PlatformInput {
 public:
  WaylandDesktop() {
    globals_.registry = wl_display_get_registry(connection_.Display());
    static const wl_registry_listener kRegistry{
        [](void* data, wl_registry* registry, std::uint32_t name,
           const char* interface, std::uint32_t version) {
          static_cast<WaylandDesktop*>(data)->OnGlobal(registry, name,
                                                       interface, version);
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(globals_.registry, &kRegistry, this);
    connection_.Roundtrip("list its interfaces");
    RequireRoute();
    WatchOutput();
    WatchSeat();
    connection_.Roundtrip("describe its output");
    // The virtual pointer is made for the output, so that absolute motion
    // spans exactly that output's pixels.
    globals_.virtual_pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer_with_output(
            globals_.pointer_manager, globals_.seat, globals_.output);
    // A client gets a wl_pointer only while the seat has a pointer device:
    // the virtual pointer just made is one.
    connection_.Roundtrip("add the virtual pointer");
    if (mode_.width <= 0 || mode_.height <= 0) {
      throw PlatformError("The Wayland compositor \"" + connection_.Name() +
                          "\" reported no output size.");
    }
  }

  WaylandDesktop(const WaylandDesktop&) = delete;
  WaylandDesktop& operator=(const WaylandDesktop&) = delete;
  WaylandDesktop(WaylandDesktop&&) = delete;
  WaylandDesktop& operator=(WaylandDesktop&&) = delete;

  ~WaylandDesktop() override = default;

  ScreenPoint GetCursorPos() override {
    if (globals_.layer_shell == nullptr || globals_.compositor == nullptr) {
      throw PlatformError("The Wayland compositor \"" + connection_.Name() +
                          "\" offers no zwlr_layer_shell_v1, which Scrivlet "
                          "needs to find the pointer.");
    }
    if (globals_.pointer == nullptr) {
      connection_.Roundtrip("give a pointer");
    }
    return ProbePointer();
  }

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    const std::uint32_t now = NowMs();
    if ((flags & MOUSEEVENTF_MOVE) != 0) {
      if ((flags & MOUSEEVENTF_ABSOLUTE) != 0) {
        MoveToCentre(AbsoluteToScreen(dx, dy, Bounds()), now);
      } else {
        // Virtual pointer motion skips pointer acceleration, which applies
        // to libinput devices only: (dx, dy) are exact pixels.
        zwlr_virtual_pointer_v1_motion(globals_.virtual_pointer, now,
                                       wl_fixed_from_int(dx),
                                       wl_fixed_from_int(dy));
        zwlr_virtual_pointer_v1_frame(globals_.virtual_pointer);
      }
    }
    if ((flags & MOUSEEVENTF_LEFTDOWN) != 0) {
      zwlr_virtual_pointer_v1_button(globals_.virtual_pointer, now, BTN_LEFT,
                                     WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(globals_.virtual_pointer);
    }
    if ((flags & MOUSEEVENTF_LEFTUP) != 0) {
      zwlr_virtual_pointer_v1_button(globals_.virtual_pointer, now, BTN_LEFT,
                                     WL_POINTER_BUTTON_STATE_RELEASED);
      zwlr_virtual_pointer_v1_frame(globals_.virtual_pointer);
    }
    connection_.Flush();
  }

  // Wayland shows no program the keys another window receives; the command
  // channel above this backend supplies F7 and F8.
  std::uint16_t GetAsyncKeyState(int /*virtual_key*/) override {
    connection_.DispatchArrived();
    return 0;
  }

  DesktopArea DesktopBounds() override {
    connection_.DispatchArrived();
    return Bounds();
  }

  void SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) override {
    throw PlatformError(
        "Wayland lets no program keep its own window on top. Use the "
        "desktop's own setting: a window rule or the window menu (see the "
        "README).");
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return CaptureScreenRegion({at.x, at.y, 1, 1}).At(at);
  }

  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    const DesktopArea bounds = Bounds();
    const ScreenRect captured = ClipToDesktop(area, bounds);
    if (captured.width == 0 || captured.height == 0 ||
        globals_.screencopy == nullptr) {
      return ToScreenImage({}, area, {});
    }
    FrameCopy copy;
    copy.shm = globals_.shm;
    // The software cursor stays out of the copy: it would cover the very
    // pixel a dot was just clicked on.
    zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output_region(
            globals_.screencopy, 0, globals_.output,
            captured.left - bounds.left, captured.top - bounds.top,
            captured.width, captured.height);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &copy);
    try {
      connection_.DispatchUntil([&] { return copy.finished; }, kFrameTimeoutMs,
                                "copy a frame of the screen");
    } catch (...) {
      zwlr_screencopy_frame_v1_destroy(frame);
      throw;
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    if (copy.failed) {
      throw PlatformError("The Wayland compositor \"" + connection_.Name() +
                          "\" could not copy the screen" + copy.problem + ".");
    }
    return ToScreenImage(copy.frame, area, captured);
  }

  void Flush() override { connection_.Roundtrip("take the pointer events"); }

 private:
  void OnGlobal(wl_registry* registry, std::uint32_t name,
                const char* interface, std::uint32_t version) {
    const std::string kind = interface;
    if (kind == wl_compositor_interface.name) {
      globals_.compositor = Bind<wl_compositor>(
          registry, name, &wl_compositor_interface, version, 4);
    } else if (kind == wl_shm_interface.name) {
      globals_.shm =
          Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (kind == wl_seat_interface.name && globals_.seat == nullptr) {
      globals_.seat =
          Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
    } else if (kind == wl_output_interface.name && globals_.output == nullptr) {
      // One output: the one the virtual pointer and screencopy span.
      globals_.output =
          Bind<wl_output>(registry, name, &wl_output_interface, version, 2);
    } else if (kind == zwlr_virtual_pointer_manager_v1_interface.name) {
      globals_.pointer_manager = Bind<zwlr_virtual_pointer_manager_v1>(
          registry, name, &zwlr_virtual_pointer_manager_v1_interface, version,
          2);
    } else if (kind == zwlr_screencopy_manager_v1_interface.name) {
      // Version 1 answers a copy request with its buffer at once; later
      // versions add events this backend has no use for.
      globals_.screencopy = Bind<zwlr_screencopy_manager_v1>(
          registry, name, &zwlr_screencopy_manager_v1_interface, version, 1);
    } else if (kind == zwlr_layer_shell_v1_interface.name) {
      globals_.layer_shell = Bind<zwlr_layer_shell_v1>(
          registry, name, &zwlr_layer_shell_v1_interface, version, 1);
    }
  }

  // Names every missing piece, so the user knows what the compositor lacks.
  void RequireRoute() {
    std::string missing;
    const auto need = [&](const void* global, const char* what) {
      if (global == nullptr) {
        missing += missing.empty() ? "" : ", ";
        missing += what;
      }
    };
    need(globals_.seat, "wl_seat");
    need(globals_.output, "wl_output");
    need(globals_.shm, "wl_shm");
    need(globals_.pointer_manager, "zwlr_virtual_pointer_manager_v1");
    need(globals_.screencopy, "zwlr_screencopy_manager_v1");
    if (!missing.empty()) {
      throw PlatformError(
          "The Wayland compositor \"" + connection_.Name() +
          "\" offers no way for Scrivlet to click: it lacks " + missing +
          ". wlroots compositors (sway, labwc, wayfire, Hyprland) offer "
          "them; on KDE and GNOME start Scrivlet in an X11 session.");
    }
  }

  void WatchOutput() {
    static const wl_output_listener kOutput{
        [](void*, wl_output*, std::int32_t, std::int32_t, std::int32_t,
           std::int32_t, std::int32_t, const char*, const char*,
           std::int32_t) {},
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
    wl_output_add_listener(globals_.output, &kOutput, &mode_);
  }

  void WatchSeat() {
    static const wl_seat_listener kSeat{
        [](void* data, wl_seat* seat, std::uint32_t capabilities) {
          auto* self = static_cast<WaylandDesktop*>(data);
          const bool has = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
          if (has && self->globals_.pointer == nullptr) {
            self->globals_.pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(self->globals_.pointer, &kPointer, self);
          } else if (!has && self->globals_.pointer != nullptr) {
            wl_pointer_release(self->globals_.pointer);
            self->globals_.pointer = nullptr;
          }
        },
        [](void*, wl_seat*, const char*) {}};
    wl_seat_add_listener(globals_.seat, &kSeat, this);
  }

  // Aimed at the pixel's centre: twice the output's size as the extent puts
  // the pointer on half pixels. At a pixel's corner, programs that paint
  // with cairo (GTK) put a one-pixel dot on the pixel up and left of it.
  void MoveToCentre(ScreenPoint at, std::uint32_t now = NowMs()) {
    const DesktopArea bounds = Bounds();
    zwlr_virtual_pointer_v1_motion_absolute(
        globals_.virtual_pointer, now,
        static_cast<std::uint32_t>(2 * (at.x - bounds.left) + 1),
        static_cast<std::uint32_t>(2 * (at.y - bounds.top) + 1),
        static_cast<std::uint32_t>(2 * bounds.width),
        static_cast<std::uint32_t>(2 * bounds.height));
    zwlr_virtual_pointer_v1_frame(globals_.virtual_pointer);
  }

  // The output in screen pixels: its mode divided by its scale.
  [[nodiscard]] DesktopArea Bounds() const {
    return {0, 0, mode_.width / mode_.scale, mode_.height / mode_.scale};
  }

  ScreenPoint ProbePointer() {
    PointerProbe probe;
    probe.surface = wl_compositor_create_surface(globals_.compositor);
    zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        globals_.layer_shell, probe.surface, globals_.output,
        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "scrivlet-pointer");
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
                                kFrameTimeoutMs, "place the pointer overlay");
      zwlr_layer_surface_v1_ack_configure(layer, probe.configure_serial);
      const std::int32_t width = probe.width > 0 ? probe.width : Bounds().width;
      const std::int32_t height =
          probe.height > 0 ? probe.height : Bounds().height;
      // Zero-filled ARGB: fully transparent, so nothing flashes.
      picture = std::make_unique<SharedBuffer>(
          globals_.shm, WL_SHM_FORMAT_ARGB8888, width, height, width * 4);
      wl_surface_attach(probe.surface, picture->Buffer(), 0, 0);
      wl_surface_commit(probe.surface);
      // The compositor tells the surface under the pointer where the
      // pointer entered it: over the whole output, that is the position.
      connection_.DispatchUntil([&] { return probe.seen.has_value(); },
                                kFrameTimeoutMs, "report the pointer position");
    } catch (...) {
      EndProbe(layer, probe);
      throw;
    }
    EndProbe(layer, probe);
    return *probe.seen;
  }

  void EndProbe(zwlr_layer_surface_v1* layer, PointerProbe& probe) {
    probe_ = nullptr;
    zwlr_layer_surface_v1_destroy(layer);
    wl_surface_destroy(probe.surface);
    // sway leaves the pointer on no surface once the overlay is gone, until
    // the pointer moves: a click right after would reach no program. A move
    // onto the centre of the pixel found hands the pointer back to the
    // window under it, and puts relative moves on pixel centres too.
    if (probe.seen) {
      MoveToCentre(*probe.seen);
    } else {
      zwlr_virtual_pointer_v1_motion(globals_.virtual_pointer, NowMs(), 0, 0);
      zwlr_virtual_pointer_v1_frame(globals_.virtual_pointer);
    }
    connection_.Flush();
  }

  static const zwlr_layer_surface_v1_listener kLayerListener;
  static const wl_pointer_listener kPointer;
  static const zwlr_screencopy_frame_v1_listener kFrameListener;

  WaylandConnection connection_;
  Globals globals_;
  OutputMode mode_;
  PointerProbe* probe_ = nullptr;
};

const zwlr_layer_surface_v1_listener WaylandDesktop::kLayerListener{
    [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial,
       std::uint32_t width, std::uint32_t height) {
      auto* probe = static_cast<PointerProbe*>(data);
      probe->configured = true;
      probe->configure_serial = serial;
      probe->width = static_cast<std::int32_t>(width);
      probe->height = static_cast<std::int32_t>(height);
    },
    [](void*, zwlr_layer_surface_v1*) {}};

const wl_pointer_listener WaylandDesktop::kPointer{
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

const zwlr_screencopy_frame_v1_listener WaylandDesktop::kFrameListener{
    [](void* data, zwlr_screencopy_frame_v1* frame, std::uint32_t format,
       std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
      auto* copy = static_cast<FrameCopy*>(data);
      // Nothing may be thrown through libwayland's C dispatch: a failure is
      // kept and thrown once dispatching returns.
      try {
        ReceiveBuffer(*copy, frame, format, width, height, stride);
      } catch (const PlatformError& error) {
        copy->failed = copy->finished = true;
        copy->problem = std::string(": ") + error.what();
      }
    },
    [](void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
      static_cast<FrameCopy*>(data)->frame.y_inverted =
          (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
    },
    [](void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
       std::uint32_t) { static_cast<FrameCopy*>(data)->finished = true; },
    [](void* data, zwlr_screencopy_frame_v1*) {
      auto* copy = static_cast<FrameCopy*>(data);
      copy->failed = copy->finished = true;
    },
    nullptr,
    nullptr,
    nullptr};

}  // namespace

std::unique_ptr<PlatformInput> OpenWaylandDesktop() {
  return std::make_unique<WaylandDesktop>();
}

}  // namespace scrivlet
