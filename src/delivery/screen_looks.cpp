#include "delivery/screen_looks.h"

#include <algorithm>

namespace scrivlet {
namespace {

// Pixels a look at one dot reads around it, so that the next dot nearby
// finds its colour there.
constexpr std::int32_t kLookMargin = 4;

bool Covers(const ScreenRect& outer, const ScreenRect& inner) {
  return inner.left >= outer.left && inner.top >= outer.top &&
         inner.left + inner.width <= outer.left + outer.width &&
         inner.top + inner.height <= outer.top + outer.height;
}

ScreenImage Crop(const ScreenImage& image, const ScreenRect& rect) {
  return ImageOf(rect, [&image](ScreenPoint at) { return image.At(at); });
}

}  // namespace

ScreenRect Including(const std::optional<ScreenRect>& rect, ScreenPoint at) {
  if (!rect) {
    return {at.x, at.y, 1, 1};
  }
  const std::int32_t left = std::min(rect->left, at.x);
  const std::int32_t top = std::min(rect->top, at.y);
  const std::int32_t right = std::max(rect->left + rect->width, at.x + 1);
  const std::int32_t bottom = std::max(rect->top + rect->height, at.y + 1);
  return {left, top, right - left, bottom - top};
}

std::int64_t Area(const ScreenRect& rect) {
  return std::int64_t{rect.width} * rect.height;
}

ScreenImage ScreenLooks::Capture(ScreenRect rect) {
  last_look_.reset();
  return target_->CaptureScreenRegion(rect);
}

ScreenImage ScreenLooks::Look(ScreenRect rect, bool with_margin) {
  if (!reports_changes_ || !with_margin) {
    return Capture(rect);
  }
  last_look_ = target_->CaptureScreenRegion(
      {rect.left - kLookMargin, rect.top - kLookMargin,
       rect.width + 2 * kLookMargin, rect.height + 2 * kLookMargin});
  return Crop(*last_look_, rect);
}

ScreenImage ScreenLooks::Before(ScreenRect rect) {
  // The last look still shows the screen if nothing has been drawn since:
  // one dot at a time into a target that paints at once, the round trip of
  // another capture is a good part of each dot's time.
  if (reports_changes_ && last_look_ && Covers(last_look_->area, rect) &&
      !target_->WaitForScreenChange(rect, std::chrono::microseconds{})) {
    return Crop(*last_look_, rect);
  }
  return Capture(rect);
}

std::optional<COLORREF> ScreenLooks::ReadPixel(ScreenPoint at) {
  last_look_.reset();
  return target_->ReadScreenPixel(at);
}

std::optional<COLORREF> ScreenLooks::ReadDrawn(ScreenPoint at) {
  last_look_.reset();
  return target_->ReadDrawnPixel(at);
}

}  // namespace scrivlet
