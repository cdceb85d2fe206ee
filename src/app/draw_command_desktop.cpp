#include "app/draw_command_desktop.h"

#include <chrono>
#include <string>
#include <thread>

#include "engine/checked_math.h"

namespace scrivlet {
namespace {

// The plotters' own mapping of a pixel onto 0..65535.
std::int32_t ToAbsolute(std::int32_t pixel, std::int32_t extent) {
  return RoundToInt32(
      CheckedDivide(CheckedMul32(pixel, kAbsoluteSpan), extent));
}

// A desktop may show a moved pointer a moment later (a screen cast).
constexpr auto kPointerWait = std::chrono::milliseconds(1000);
constexpr auto kPointerLook = std::chrono::milliseconds(10);

std::string PointText(ScreenPoint point) {
  return std::to_string(point.x) + "," + std::to_string(point.y);
}

}  // namespace

std::uint16_t DrawCommandDesktop::GetAsyncKeyState(int virtual_key) {
  const std::uint16_t state = inner().GetAsyncKeyState(virtual_key);
  if (virtual_key == VK_F7) {
    return kFreshKeyPress;
  }
  if (virtual_key == VK_F8) {
    aborted_ = aborted_ || (abort_asked_ && abort_asked_());
    return aborted_ ? kFreshKeyPress : state;
  }
  return state;
}

void DrawCommandDesktop::DrawingStarted() {
  ForwardingDesktop::DrawingStarted();
  if (!start_) {
    return;
  }
  try {
    MovePointerToStart();
  } catch (...) {
    ForwardingDesktop::DrawingEnded();
    throw;
  }
}

void DrawCommandDesktop::MovePointerToStart() {
  const ScreenPoint at = *start_;
  const DesktopArea area = inner().DesktopBounds();
  const std::int64_t x = std::int64_t{at.x} - area.left;
  const std::int64_t y = std::int64_t{at.y} - area.top;
  if (x < 0 || y < 0 || x >= area.width || y >= area.height) {
    throw PlatformError("--at " + PointText(at) + " is off the desktop (" +
                        std::to_string(area.width) + "x" +
                        std::to_string(area.height) + " at " +
                        PointText({area.left, area.top}) + ")");
  }
  inner().mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                      ToAbsolute(static_cast<std::int32_t>(x), area.width),
                      ToAbsolute(static_cast<std::int32_t>(y), area.height));
  // Both plotters start from where the pointer shows.
  const auto give_up = std::chrono::steady_clock::now() + kPointerWait;
  ScreenPoint now = inner().GetCursorPos();
  while (now != at && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(kPointerLook);
    now = inner().GetCursorPos();
  }
  if (now != at) {
    throw PlatformError("the pointer went to " + PointText(now) +
                        " instead of --at " + PointText(at));
  }
}

}  // namespace scrivlet
