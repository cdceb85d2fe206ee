#include "platform/x11/x11_errors.h"

#include <map>
#include <utility>

namespace scrivlet {
namespace {

// Xlib calls its error handler on the thread that read the reply; every
// call here happens on the user-interface thread, so plain statics suffice.
struct CaptureRegistry {
  std::map<Display*, std::optional<std::string>> errors;
  XErrorHandler previous = nullptr;
};

CaptureRegistry& Registry() {
  static CaptureRegistry registry;
  return registry;
}

std::string Describe(Display* display, const XErrorEvent& error) {
  char text[256] = {};
  XGetErrorText(display, error.error_code, text, sizeof text);
  return std::string(text) + " (request " +
         std::to_string(static_cast<int>(error.request_code)) + "." +
         std::to_string(static_cast<int>(error.minor_code)) + ")";
}

int RecordError(Display* display, XErrorEvent* error) {
  CaptureRegistry& registry = Registry();
  const auto found = registry.errors.find(display);
  if (found == registry.errors.end()) {
    return registry.previous != nullptr ? registry.previous(display, error) : 0;
  }
  if (!found->second) {
    found->second = Describe(display, *error);
  }
  return 0;
}

}  // namespace

X11ErrorCapture::X11ErrorCapture(Display* display) : display_(display) {
  CaptureRegistry& registry = Registry();
  if (registry.errors.empty()) {
    registry.previous = XSetErrorHandler(RecordError);
  }
  registry.errors.emplace(display_, std::nullopt);
}

X11ErrorCapture::~X11ErrorCapture() {
  CaptureRegistry& registry = Registry();
  registry.errors.erase(display_);
  if (registry.errors.empty()) {
    // Put the earlier handler back only if nobody replaced ours meanwhile.
    XErrorHandler current = XSetErrorHandler(registry.previous);
    if (current != RecordError) {
      XSetErrorHandler(current);
    }
    registry.previous = nullptr;
  }
}

std::optional<std::string> X11ErrorCapture::SyncAndTakeError() {
  XSync(display_, False);
  return std::exchange(Registry().errors[display_], std::nullopt);
}

void X11ErrorCapture::SyncAndClear() { (void)SyncAndTakeError(); }

}  // namespace scrivlet
