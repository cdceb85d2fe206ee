// The Wayland route on wlroots compositors (sway, labwc, wayfire, ...): a
// virtual pointer moves and clicks, and screencopy reads the screen back.

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/absolute_mapping.h"
#include "platform/desktop_backends.h"
#include "platform/mouse_flags.h"
#include "platform/shm_frame.h"
#include "platform/wayland/output_layout.h"
#include "platform/wayland/shared_buffer.h"
#include "platform/wayland/wayland_desktop.h"
#include "wlr-screencopy-unstable-v1-client.h"
#include "wlr-virtual-pointer-unstable-v1-client.h"

namespace scrivlet {
namespace {

// Absolute motion aims a quarter pixel into the aimed pixel: its extent is
// the layout's size in quarter pixels.
constexpr std::int64_t kQuarters = 4;

// wl_output's eight transforms; any bit set turns or flips the output.
constexpr std::uint32_t kTransforms = 7;

// One screencopy request and what the compositor answered.
struct FrameCopy {
  wl_shm* shm = nullptr;
  std::unique_ptr<SharedBuffer> buffer;
  ShmFrame frame;
  bool finished = false;
  bool failed = false;
  std::string problem;
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

class WlrootsDesktop final : public WaylandDesktop {
 public:
  WlrootsDesktop() {
    ListGlobals();
    RequireRoute();
    WatchOutputAndSeat();
    connection_.Roundtrip("describe its outputs");
    // Made for no output in particular, so that absolute motion spans the
    // whole layout and reaches every output.
    virtual_pointer_.reset(
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
            pointer_manager_.get(), seat_));
    // A client gets a wl_pointer only while the seat has a pointer device:
    // the virtual pointer just made is one.
    connection_.Roundtrip("add the virtual pointer");
    RequireOutputSize();
  }

  WlrootsDesktop(const WlrootsDesktop&) = delete;
  WlrootsDesktop& operator=(const WlrootsDesktop&) = delete;
  WlrootsDesktop(WlrootsDesktop&&) = delete;
  WlrootsDesktop& operator=(WlrootsDesktop&&) = delete;
  ~WlrootsDesktop() override = default;

  void mouse_event(std::uint32_t flags, std::int32_t dx,
                   std::int32_t dy) override {
    const MouseFlags mouse = DecodeMouseFlags(flags);
    const std::uint32_t now = NowMs();
    if (mouse.move) {
      if (mouse.absolute) {
        MoveOntoPixel(AbsoluteToScreen(dx, dy, Bounds()));
      } else {
        // Virtual pointer motion skips pointer acceleration, which applies
        // to libinput devices only: (dx, dy) are exact pixels.
        zwlr_virtual_pointer_v1_motion(virtual_pointer_.get(), now,
                                       wl_fixed_from_int(dx),
                                       wl_fixed_from_int(dy));
        zwlr_virtual_pointer_v1_frame(virtual_pointer_.get());
      }
    }
    if (mouse.press) {
      zwlr_virtual_pointer_v1_button(virtual_pointer_.get(), now, BTN_LEFT,
                                     WL_POINTER_BUTTON_STATE_PRESSED);
      zwlr_virtual_pointer_v1_frame(virtual_pointer_.get());
    }
    if (mouse.release) {
      zwlr_virtual_pointer_v1_button(virtual_pointer_.get(), now, BTN_LEFT,
                                     WL_POINTER_BUTTON_STATE_RELEASED);
      zwlr_virtual_pointer_v1_frame(virtual_pointer_.get());
    }
    connection_.Flush();
  }

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    return CaptureScreenRegion({at.x, at.y, 1, 1}).At(at);
  }

  ScreenImage CaptureScreenRegion(ScreenRect area) override {
    const DesktopArea bounds = Bounds();
    const ScreenRect captured = ClipToDesktop(area, bounds);
    if (captured.width == 0 || captured.height == 0) {
      return ToScreenImage({}, area, {});
    }
    FrameCopy copy;
    copy.shm = shm_;
    const ScreenRect part{captured.left - bounds.left,
                          captured.top - bounds.top, captured.width,
                          captured.height};
    // A turned output is copied whole: sway 1.7 copies a region of one
    // from the wrong place.
    const std::uint32_t transform = CurrentTransform();
    const bool turned = (transform & kTransforms) != 0;
    // The software cursor stays out of the copy: it would cover the very
    // pixel a dot was just clicked on. The region is in the output's
    // logical pixels.
    zwlr_screencopy_frame_v1* frame =
        turned ? zwlr_screencopy_manager_v1_capture_output(screencopy_.get(), 0,
                                                           CurrentOutput())
               : zwlr_screencopy_manager_v1_capture_output_region(
                     screencopy_.get(), 0, CurrentOutput(), part.left, part.top,
                     part.width, part.height);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &copy);
    try {
      connection_.DispatchUntil([&] { return copy.finished; },
                                kWaylandFrameTimeoutMs,
                                "copy a frame of the screen");
    } catch (...) {
      zwlr_screencopy_frame_v1_destroy(frame);
      throw;
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    if (copy.failed) {
      throw PlatformError(Named() + " could not copy the screen" +
                          copy.problem + ".");
    }
    if (!turned) {
      return ToScreenImage(copy.frame, area, captured);
    }
    // The copy comes as the output stores its pixels: unturned.
    std::vector<std::uint8_t> upright;
    return ToScreenImage(CropFrame(UprightFrame(copy.frame, transform, upright),
                                   part, bounds.width, bounds.height),
                         area, captured);
  }

 protected:
  void OnRouteGlobal(wl_registry* registry, std::uint32_t name,
                     const std::string& interface,
                     std::uint32_t version) override {
    if (interface == zwlr_virtual_pointer_manager_v1_interface.name) {
      pointer_manager_.reset(BindGlobal<zwlr_virtual_pointer_manager_v1>(
          registry, name, &zwlr_virtual_pointer_manager_v1_interface, version,
          2));
    } else if (interface == zwlr_screencopy_manager_v1_interface.name) {
      // Version 1 answers a copy request with its buffer at once; later
      // versions add events this backend has no use for.
      screencopy_.reset(BindGlobal<zwlr_screencopy_manager_v1>(
          registry, name, &zwlr_screencopy_manager_v1_interface, version, 1));
    }
  }

  // Aimed a quarter pixel in, as the KDE route does. At a pixel's corner,
  // programs that paint with cairo (GTK) put a one-pixel dot on the pixel
  // up and left of it; at its centre, Qt programs round the half up and
  // paint the pixel right of and below it. A quarter lands on the pixel
  // whether a program cuts the fraction off or rounds it.
  void MoveOntoPixel(ScreenPoint at) override {
    const DesktopArea layout = LayoutBounds();
    const auto quarters = [](std::int32_t offset) {
      return static_cast<std::uint32_t>(kQuarters * offset + 1);
    };
    zwlr_virtual_pointer_v1_motion_absolute(
        virtual_pointer_.get(), NowMs(), quarters(at.x - layout.left),
        quarters(at.y - layout.top),
        static_cast<std::uint32_t>(kQuarters * layout.width),
        static_cast<std::uint32_t>(kQuarters * layout.height));
    zwlr_virtual_pointer_v1_frame(virtual_pointer_.get());
  }

  void NudgePointer() override {
    zwlr_virtual_pointer_v1_motion(virtual_pointer_.get(), NowMs(), 0, 0);
    zwlr_virtual_pointer_v1_frame(virtual_pointer_.get());
  }

 private:
  // Names every missing piece, so the user knows what the compositor lacks.
  void RequireRoute() const {
    MissingGlobals missing;
    missing.Need(seat_, "wl_seat");
    missing.Need(CurrentOutput(), "wl_output");
    missing.Need(shm_, "wl_shm");
    missing.Need(pointer_manager_.get(), "zwlr_virtual_pointer_manager_v1");
    missing.Need(screencopy_.get(), "zwlr_screencopy_manager_v1");
    if (!missing.Empty()) {
      throw PlatformError(Named() + " lacks " + missing.Names() +
                          " (sway, labwc, wayfire and Hyprland offer them).");
    }
  }

  static const zwlr_screencopy_frame_v1_listener kFrameListener;

  WaylandProxy<zwlr_virtual_pointer_manager_v1> pointer_manager_;
  WaylandProxy<zwlr_screencopy_manager_v1> screencopy_;
  WaylandProxy<zwlr_virtual_pointer_v1> virtual_pointer_;
};

const zwlr_screencopy_frame_v1_listener WlrootsDesktop::kFrameListener{
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

std::unique_ptr<PlatformInput> OpenWlrootsDesktop() {
  return std::make_unique<WlrootsDesktop>();
}

}  // namespace scrivlet
