#include "recording_surface.h"

#include <wayland-client.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <stdexcept>
#include <string>
#include <utility>

#include "absolute_aim.h"
#include "platform/wayland/shared_buffer.h"
#include "wlr-layer-shell-unstable-v1-client.h"

namespace scrivlet::testing {

COLORREF PatternAt(ScreenPoint at) {
  // Every pixel differs from its neighbours in all three channels, so a
  // read-back one pixel off, mirrored or with channels swapped shows.
  const auto red = static_cast<std::uint32_t>(at.x * 7 + at.y) & 0xFFU;
  const auto green = static_cast<std::uint32_t>(at.y * 5 + 3) & 0xFFU;
  const auto blue = static_cast<std::uint32_t>(at.x * 3 + at.y * 11) & 0xFFU;
  return red | (green << 8U) | (blue << 16U);
}

struct RecordingSurface::State {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  zwlr_layer_shell_v1* shell = nullptr;
  wl_pointer* pointer = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  std::unique_ptr<SharedBuffer> picture;
  std::uint32_t serial = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool configured = false;
  wl_fixed_t x = 0;
  wl_fixed_t y = 0;
  std::atomic<bool> stop = false;

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<SurfaceRecord> records;

  void Record(SurfaceEvent kind) {
    const std::lock_guard lock(mutex);
    // wl_fixed_t has 8 fraction bits: none set is the corner.
    records.push_back({kind,
                       {wl_fixed_to_int(x), wl_fixed_to_int(y)},
                       (x & 0xFF) != 0 && (y & 0xFF) != 0});
    changed.notify_all();
  }
};

namespace {

using State = RecordingSurface::State;

// The pixel's word in the shared picture, XRGB8888.
std::uint32_t& Pixel(State& state, std::int32_t x, std::int32_t y) {
  auto* words = reinterpret_cast<std::uint32_t*>(
      const_cast<std::uint8_t*>(state.picture->Data()));
  return words[std::ptrdiff_t{y} * state.width + x];
}

// Paints the pixel black, as a paint program does where it is clicked.
void InkAt(State& state, std::int32_t x, std::int32_t y) {
  if (x < 0 || y < 0 || x >= state.width || y >= state.height) {
    return;
  }
  Pixel(state, x, y) = 0xFF000000U;
  wl_surface_attach(state.surface, state.picture->Buffer(), 0, 0);
  wl_surface_damage(state.surface, x, y, 1, 1);
  wl_surface_commit(state.surface);
}

const wl_pointer_listener kPointer{
    [](void* data, wl_pointer*, std::uint32_t, wl_surface*, wl_fixed_t x,
       wl_fixed_t y) {
      static_cast<State*>(data)->x = x;
      static_cast<State*>(data)->y = y;
    },
    [](void*, wl_pointer*, std::uint32_t, wl_surface*) {},
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
      static_cast<State*>(data)->x = x;
      static_cast<State*>(data)->y = y;
    },
    [](void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t,
       std::uint32_t pressed) {
      auto* state = static_cast<State*>(data);
      state->Record(pressed != 0 ? SurfaceEvent::Press : SurfaceEvent::Release);
      if (pressed != 0) {
        InkAt(*state, wl_fixed_to_int(state->x), wl_fixed_to_int(state->y));
      }
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    nullptr};

const wl_seat_listener kSeat{
    [](void* data, wl_seat* seat, std::uint32_t capabilities) {
      auto* state = static_cast<State*>(data);
      if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 &&
          state->pointer == nullptr) {
        state->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(state->pointer, &kPointer, state);
      }
    },
    [](void*, wl_seat*, const char*) {}};

const wl_registry_listener kRegistry{
    [](void* data, wl_registry* registry, std::uint32_t name,
       const char* interface, std::uint32_t) {
      auto* state = static_cast<State*>(data);
      const std::string kind = interface;
      if (kind == wl_compositor_interface.name) {
        state->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
      } else if (kind == wl_shm_interface.name) {
        state->shm = static_cast<wl_shm*>(
            wl_registry_bind(registry, name, &wl_shm_interface, 1));
      } else if (kind == wl_seat_interface.name && state->seat == nullptr) {
        state->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, 5));
        wl_seat_add_listener(state->seat, &kSeat, state);
      } else if (kind == zwlr_layer_shell_v1_interface.name) {
        state->shell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
            registry, name, &zwlr_layer_shell_v1_interface, 1));
      }
    },
    [](void*, wl_registry*, std::uint32_t) {}};

const zwlr_layer_surface_v1_listener kLayer{
    [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial,
       std::uint32_t width, std::uint32_t height) {
      auto* state = static_cast<State*>(data);
      state->serial = serial;
      state->width = static_cast<std::int32_t>(width);
      state->height = static_cast<std::int32_t>(height);
      state->configured = true;
    },
    [](void*, zwlr_layer_surface_v1*) {}};

void Paint(State& state) {
  state.picture = std::make_unique<SharedBuffer>(
      state.shm, WL_SHM_FORMAT_XRGB8888, state.width, state.height,
      state.width * 4);
  for (std::int32_t y = 0; y < state.height; ++y) {
    for (std::int32_t x = 0; x < state.width; ++x) {
      // COLORREF is 0x00BBGGRR, XRGB8888 0xFFRRGGBB.
      const COLORREF c = PatternAt({x, y});
      Pixel(state, x, y) = 0xFF000000U | ((c & 0xFFU) << 16U) | (c & 0xFF00U) |
                           ((c >> 16U) & 0xFFU);
    }
  }
}

}  // namespace

RecordingSurface::RecordingSurface() : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.display = wl_display_connect(nullptr);
  if (state.display == nullptr) {
    throw std::runtime_error("recording surface: no Wayland compositor");
  }
  state.registry = wl_display_get_registry(state.display);
  wl_registry_add_listener(state.registry, &kRegistry, &state);
  wl_display_roundtrip(state.display);
  if (state.shell == nullptr || state.shm == nullptr) {
    throw std::runtime_error("recording surface: no layer shell");
  }
  state.surface = wl_compositor_create_surface(state.compositor);
  // The top layer: above ordinary windows, below the backend's overlay.
  state.layer = zwlr_layer_shell_v1_get_layer_surface(
      state.shell, state.surface, nullptr, ZWLR_LAYER_SHELL_V1_LAYER_TOP,
      "scrivlet-recording-surface");
  zwlr_layer_surface_v1_set_anchor(state.layer, 15);  // all four edges
  zwlr_layer_surface_v1_set_exclusive_zone(state.layer, -1);
  zwlr_layer_surface_v1_add_listener(state.layer, &kLayer, &state);
  wl_surface_commit(state.surface);
  while (!state.configured && wl_display_dispatch(state.display) >= 0) {
  }
  zwlr_layer_surface_v1_ack_configure(state.layer, state.serial);
  Paint(state);
  wl_surface_attach(state.surface, state.picture->Buffer(), 0, 0);
  wl_surface_damage(state.surface, 0, 0, state.width, state.height);
  wl_surface_commit(state.surface);
  wl_display_roundtrip(state.display);
  dispatcher_ = std::thread([&state] {
    while (!state.stop && wl_display_dispatch(state.display) >= 0) {
    }
  });
}

RecordingSurface::~RecordingSurface() {
  State& state = *state_;
  // The answer to a sync wakes the dispatcher to see the stop.
  state.stop = true;
  wl_callback* woken = wl_display_sync(state.display);
  wl_display_flush(state.display);
  dispatcher_.join();
  wl_callback_destroy(woken);
  zwlr_layer_surface_v1_destroy(state.layer);
  wl_surface_destroy(state.surface);
  state.picture.reset();
  // libwayland frees no proxy on disconnect.
  if (state.pointer != nullptr) {
    wl_pointer_release(state.pointer);
  }
  wl_seat_destroy(state.seat);
  // Bound at version 1, which has no destroy request: KWin ends the
  // connection for one.
  wl_proxy_destroy(reinterpret_cast<wl_proxy*>(state.shell));
  wl_shm_destroy(state.shm);
  wl_compositor_destroy(state.compositor);
  wl_registry_destroy(state.registry);
  wl_display_roundtrip(state.display);
  wl_display_disconnect(state.display);
}

std::vector<SurfaceRecord> RecordingSurface::Buttons(std::size_t count) {
  std::unique_lock lock(state_->mutex);
  // A compositor that has just started, on a busy machine, may take long.
  state_->changed.wait_for(lock, std::chrono::seconds(20),
                           [&] { return state_->records.size() >= count; });
  return std::exchange(state_->records, {});
}

std::vector<SurfaceRecord> ClickThenDrag(PlatformInput& desktop,
                                         ScreenPoint here) {
  desktop.mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  MoveTo(desktop, {31, 47}, MOUSEEVENTF_LEFTDOWN);
  desktop.mouse_event(MOUSEEVENTF_MOVE, 5, 0);
  desktop.mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  desktop.Flush();
  return {{SurfaceEvent::Press, here},
          {SurfaceEvent::Release, here},
          {SurfaceEvent::Press, {31, 47}},
          {SurfaceEvent::Release, {36, 47}}};
}

}  // namespace scrivlet::testing
