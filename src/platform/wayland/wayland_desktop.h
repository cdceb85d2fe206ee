#pragma once

// What every Wayland route shares: the backend's own connection, the
// globals every route binds (outputs, seat, shared memory, layer shell),
// each output's place in the desktop's logical layout, and the transparent
// layer-shell overlays that learn where the pointer is. A route adds how it
// moves and clicks, and how it reads the screen back where it can.
//
// Screen points are the layout's logical pixels, as programs see them on
// scaled and turned outputs. The desktop is the output the pointer was on
// when it was last looked for (the first output until then): a drawing
// starts where the pointer is, and stays on that output.
//
// Wayland gives no program the global key state: F7 and F8 reach Scrivlet
// through its command channel (scrivlet --start/--abort), bound to the
// keys in the compositor.

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_input.h"
#include "platform/wayland/wayland_connection.h"

struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace scrivlet {

// A frame comes with the next repaint; a few of them may pass while the
// compositor is busy.
inline constexpr int kWaylandFrameTimeoutMs = 2000;

// Binds a global at the highest version both sides know.
template <typename Proxy>
Proxy* BindGlobal(wl_registry* registry, std::uint32_t name,
                  const wl_interface* interface, std::uint32_t offered,
                  std::uint32_t wanted) {
  return static_cast<Proxy*>(wl_registry_bind(
      registry, name, interface, offered < wanted ? offered : wanted));
}

// Destroys a proxy if there is one. libwayland frees no proxy on
// disconnect, so each is destroyed, also when opening fails half-way.
void DestroyProxy(void* proxy);

struct ProxyDestroyer {
  void operator()(void* proxy) const { DestroyProxy(proxy); }
};
// A route's own proxy: destroyed also when the route's constructor throws.
template <typename Proxy>
using WaylandProxy = std::unique_ptr<Proxy, ProxyDestroyer>;

// Collects the names of missing globals for a message.
class MissingGlobals {
 public:
  void Need(const void* global, const std::string& what);
  [[nodiscard]] bool Empty() const { return names_.empty(); }
  [[nodiscard]] const std::string& Names() const { return names_; }

 private:
  std::string names_;
};

class WaylandDesktop : public PlatformInput {
 public:
  WaylandDesktop();
  WaylandDesktop(const WaylandDesktop&) = delete;
  WaylandDesktop& operator=(const WaylandDesktop&) = delete;
  WaylandDesktop(WaylandDesktop&&) = delete;
  WaylandDesktop& operator=(WaylandDesktop&&) = delete;
  ~WaylandDesktop() override;

  ScreenPoint GetCursorPos() override;
  // The command channel above this backend supplies F7 and F8.
  std::uint16_t GetAsyncKeyState(int virtual_key) override;
  DesktopArea DesktopBounds() override;
  void SetWindowPos(NativeWindow window, ZOrder order) override;
  void Flush() override;

  struct PointerProbe;
  struct Output;

 protected:
  // Lists the compositor's globals: the shared ones are bound here, every
  // other one is offered to OnRouteGlobal. Called by the route's
  // constructor, once its own members exist.
  void ListGlobals();
  virtual void OnRouteGlobal(wl_registry* registry, std::uint32_t name,
                             const std::string& interface,
                             std::uint32_t version) = 0;
  // Starts following the outputs' modes and places and the seat's pointer.
  void WatchOutputAndSeat();
  // Throws unless the desktop's output has told its size.
  void RequireOutputSize() const;

  // Puts the pointer on a screen pixel, inside it rather than on its
  // corner (see the routes).
  virtual void MoveOntoPixel(ScreenPoint at) = 0;
  // Moves the pointer by nothing, so the compositor looks again at what
  // lies under it.
  virtual void NudgePointer() = 0;

  // The desktop's output, in the layout's logical pixels.
  [[nodiscard]] DesktopArea Bounds() const;
  // The whole layout: every output's area and what lies between them.
  [[nodiscard]] DesktopArea LayoutBounds() const;
  // The desktop's output and its transform; null while there is none.
  [[nodiscard]] wl_output* CurrentOutput() const;
  [[nodiscard]] std::uint32_t CurrentTransform() const;
  [[nodiscard]] std::string Named() const {
    return "The Wayland compositor \"" + connection_.Name() + "\"";
  }

  WaylandConnection connection_;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  zwlr_layer_shell_v1* layer_shell_ = nullptr;

 private:
  void OnGlobal(wl_registry* registry, std::uint32_t name,
                const std::string& interface, std::uint32_t version);
  void WatchOutput(Output& output);
  void ForgetOutput(std::uint32_t name);
  [[nodiscard]] const Output* Current() const;
  [[nodiscard]] DesktopArea AreaOf(std::size_t index) const;
  ScreenPoint ProbePointer();
  void EndProbes(std::vector<PointerProbe>& probes);

  zxdg_output_manager_v1* xdg_outputs_ = nullptr;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::size_t current_ = 0;
  bool watching_ = false;
  std::vector<PointerProbe>* probes_ = nullptr;
};

// One output as the compositor describes it. The layout's logical place
// comes from xdg-output where the compositor offers it (the only source for
// fractional scales); else from wl_output's position, mode, whole-number
// scale and transform.
struct WaylandDesktop::Output {
  std::uint32_t name = 0;
  wl_output* proxy = nullptr;
  zxdg_output_v1* xdg = nullptr;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t mode_width = 0;
  std::int32_t mode_height = 0;
  std::int32_t scale = 1;
  std::uint32_t transform = 0;
  std::optional<ScreenPoint> logical_position;
  std::optional<ScreenPoint> logical_size;

  [[nodiscard]] DesktopArea Area() const;
};

// An overlay over one output that learns the pointer position, while it is
// shown.
struct WaylandDesktop::PointerProbe {
  std::size_t output = 0;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  bool configured = false;
  std::uint32_t configure_serial = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<ScreenPoint> seen;
};

}  // namespace scrivlet
