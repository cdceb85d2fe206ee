#include "window/core/form1_core.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <string_view>
#include <utility>

#include "engine/checked_math.h"
#include "engine/messages.h"
#include "window/core/form1_layout.h"
#include "window/core/home_page.h"
#include "window/core/option_presets.h"
#include "window/core/picture_limits.h"
#include "window/core/shown_picture.h"
#include "window/core/text_to_integer.h"
#include "window/core/twips.h"
#include "window/core/usage_text.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFFU;

// A text with %1 replaced by `number`.
std::string WithNumber(const char* text, int number) {
  std::string filled = text;
  const std::size_t at = filled.find("%1");
  if (at != std::string::npos) {
    filled.replace(at, 2, std::to_string(number));
  }
  return filled;
}

}  // namespace

PixelSize Picture1InnerSize(Dpi dpi) {
  return {TwipsToPixels(layout::kPicture1.width, dpi.x) -
              2 * layout::kPictureBorderPixels,
          TwipsToPixels(layout::kPicture1.height, dpi.y) -
              2 * layout::kPictureBorderPixels};
}

Form1Core::Form1Core(Form1View& view, PlatformInput& desktop,
                     PictureDecoder& decoder, PixelSize picture_inner_size)
    : view_(view),
      desktop_(desktop),
      drawing_desktop_(desktop),
      decoder_(decoder),
      stored_inner_(picture_inner_size),
      clock_([] {
        return std::chrono::duration<double>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }) {}

void Form1Core::Guarded(const std::function<void()>& body) noexcept {
  // No exception may leave an event handler: the toolkit's event loop would
  // end the program with it.
  try {
    body();
  } catch (const std::bad_alloc& error) {
    Report(texts::kOutOfMemory, error);
  } catch (const std::exception& error) {
    Report(texts::kUnexpectedError, error);
  } catch (...) {
    try {
      view_.ShowMessage(texts::kUnexpectedError);
    } catch (...) {  // NOLINT(bugprone-empty-catch): nothing left to tell with
    }
  }
}

void Form1Core::Report(const char* what, const std::exception& error) {
  try {
    view_.ShowMessage(std::string(what) + '\n' + error.what());
  } catch (...) {  // NOLINT(bugprone-empty-catch): nothing left to tell with
  }
}

void Form1Core::SetPicture(Picture picture) {
  Picture shown;
  if (picture.width >= stored_inner_.width &&
      picture.height >= stored_inner_.height) {
    // The picture fills the box: composite in place, one copy in memory.
    shown = std::move(picture);
    std::transform(shown.argb.begin(), shown.argb.end(), shown.argb.begin(),
                   OverWhite);
  } else {
    shown.width = std::max(stored_inner_.width, picture.width);
    shown.height = std::max(stored_inner_.height, picture.height);
    shown.argb.assign(static_cast<std::size_t>(shown.width) *
                          static_cast<std::size_t>(shown.height),
                      kOpaqueWhite);
    for (int y = 0; y < picture.height; ++y) {
      const auto from = static_cast<std::ptrdiff_t>(y) * picture.width;
      const auto to = static_cast<std::ptrdiff_t>(y) * shown.width;
      std::transform(picture.argb.begin() + from,
                     picture.argb.begin() + from + picture.width,
                     shown.argb.begin() + to, OverWhite);
    }
  }
  shown_ = std::move(shown);
  plain_shown_ = false;
  Refresh();
}

void Form1Core::Refresh() {
  if (!preview_on_) {
    // Settings change on every keystroke: the picture is shown again only
    // when something else was in its place.
    if (!plain_shown_) {
      preview_ = {};
      plain_shown_ = true;
      view_.ShowPicture(shown_);
      view_.SetText(Control::Label7, "");
    }
    return;
  }
  plain_shown_ = false;
  std::string estimate;
  try {
    InkPreview ink = PreviewInk(*this, settings_, SelectedMode());
    preview_ = std::move(ink.picture);
    estimate = EstimateText(settings_.Strokes, ink.marks,
                            rate_[settings_.Strokes ? 1 : 0]);
  } catch (const DrawError& error) {
    // Settings a drawing would refuse: the picture, and why.
    preview_ = {};
    estimate = DrawFailedMessage(error);
  }
  view_.ShowPicture(preview_.empty() ? shown_ : preview_);
  view_.SetText(Control::Label7, estimate);
}

void Form1Core::Form_Load() {
  Guarded([this] {
    StoreConverted(Control::Text1, settings_.Magnification);
    StoreConverted(Control::Text2, settings_.Coarseness);
    StoreConverted(Control::Text4, settings_.Threshold);
    view_.SetText(Control::Text3, UsageText());
    ShowInks();
  });
}

void Form1Core::Form_Resize() {
  Guarded([this] {
    const PixelSize inner = view_.InnerSize();
    const Dpi dpi = view_.LogicalDpi();
    const TwipRect tab = TabControlRectFor(PixelsToTwips(inner.width, dpi.x),
                                           PixelsToTwips(inner.height, dpi.y));
    view_.SetTabGeometry(
        {TwipsToPixels(tab.left, dpi.x), TwipsToPixels(tab.top, dpi.y),
         TwipsToPixels(tab.width, dpi.x), TwipsToPixels(tab.height, dpi.y)});
  });
}

void Form1Core::StoreConverted(Control box, std::int16_t& field) {
  // A text that does not convert leaves the field as it was.
  if (const auto value = TextToInteger(view_.GetText(box))) {
    field = *value;
  }
}

void Form1Core::Text1_Change() {
  Guarded([this] {
    StoreConverted(Control::Text1, settings_.Magnification);
    Refresh();
  });
}

void Form1Core::Text2_Change() {
  Guarded([this] {
    StoreConverted(Control::Text2, settings_.Coarseness);
    Refresh();
  });
}

void Form1Core::Text4_Change() {
  Guarded([this] {
    StoreConverted(Control::Text4, settings_.Threshold);
    Refresh();
  });
}

void Form1Core::Option1_Click(std::int16_t index) {
  Guarded([this, index] {
    if (index >= 0 && static_cast<std::size_t>(index) < kOptionPresets.size()) {
      const OptionPreset& preset =
          kOptionPresets[static_cast<std::size_t>(index)];
      view_.SetText(Control::Text1, preset.magnification);
      view_.SetText(Control::Text2, preset.coarseness);
    }
    // The mode chooses the darkness limit.
    Refresh();
  });
}

void Form1Core::Check1_Click() {
  Guarded([this] {
    // Only a plain tick means topmost; grayed counts as not.
    const ZOrder order = view_.GetCheck(Control::Check1) == CheckValue::Checked
                             ? ZOrder::Topmost
                             : ZOrder::NotTopmost;
    try {
      desktop_.SetWindowPos(view_.NativeHandle(), order);
    } catch (const PlatformError& error) {
      Report(texts::kTopmostFailed, error);
    }
  });
}

void Form1Core::Check2_Click() {
  Guarded([this] {
    // Grayed counts as on.
    settings_.DragInput =
        view_.GetCheck(Control::Check2) != CheckValue::Unchecked ? kTrue
                                                                 : kFalse;
  });
}

void Form1Core::Option2_Click(std::int16_t index) {
  Guarded([this, index] {
    settings_.Strokes = index == 1;
    // A stroke is a drag already: drag input means nothing then.
    view_.SetEnabled(Control::Check2, !settings_.Strokes);
    Refresh();
  });
}

void Form1Core::Option3_Click(std::int16_t index) {
  Guarded([this, index] {
    constexpr std::array kStyles{DitherStyle::Off, DitherStyle::FloydSteinberg,
                                 DitherStyle::Bayer};
    if (index >= 0 && static_cast<std::size_t>(index) < kStyles.size()) {
      settings_.Dither = kStyles[static_cast<std::size_t>(index)];
    }
    Refresh();
  });
}

void Form1Core::Check3_Click() {
  Guarded([this] {
    preview_on_ = view_.GetCheck(Control::Check3) != CheckValue::Unchecked;
    Refresh();
  });
}

void Form1Core::Command1_Click() {
  Guarded([this] {
    if (!view_.OpenUrl(kHomePageUrl)) {
      view_.ShowMessage(texts::kHomePageFailed);
    }
  });
}

DropEffect Form1Core::Picture1_OLEDragOver(bool copy_offered) const {
  // Only ever a copy: a "move" would let the source delete the user's file.
  // Nothing is taken while a drawing runs.
  return copy_offered && !drawing_ ? DropEffect::Copy : DropEffect::None;
}

DropEffect Form1Core::Picture1_OLEDragDrop(const DroppedItems& items,
                                           bool copy_offered) {
  const DropEffect effect = Picture1_OLEDragOver(copy_offered);
  if (effect == DropEffect::None) {
    return effect;
  }
  bool taken = false;
  Guarded([this, &items, &taken] { taken = LoadFirstFile(items); });
  // A drop that names no local file is refused: nothing was taken.
  return taken ? effect : DropEffect::None;
}

bool Form1Core::LoadFirstFile(const DroppedItems& items) {
  // Only the first local file counts.
  const std::optional<std::string> path = FirstLocalFile(items);
  if (!path) {
    view_.ShowMessage(texts::kDropNoFile);
    return false;
  }
  DecodedPicture load = decoder_.Decode(*path);
  if (!load.problem.empty() || load.picture.empty()) {
    // A failed drop keeps the current picture.
    view_.ShowMessage(load.problem.empty() ? texts::kDropBroken : load.problem);
    return true;
  }
  SetPicture(std::move(load.picture));
  return true;
}

void Form1Core::Form_Paste() {
  if (drawing_) {
    return;  // nothing is taken while a drawing runs, as with a drop
  }
  Guarded([this] {
    PastedData pasted = view_.ReadClipboard();
    if (!pasted.items.paths.empty() || !pasted.items.uris.empty()) {
      LoadFirstFile(pasted.items);
      return;
    }
    DecodedPicture& load = pasted.picture;
    if (!load.problem.empty()) {
      view_.ShowMessage(load.problem);
      return;
    }
    if (load.picture.empty()) {
      view_.ShowMessage(texts::kPasteNothing);
      return;
    }
    if (const char* problem =
            PictureSizeProblem(load.picture.width, load.picture.height)) {
      view_.ShowMessage(problem);
      return;
    }
    SetPicture(std::move(load.picture));
  });
}

void Form1Core::Picture1_DblClick() {
  if (drawing_) {
    return;
  }
  Guarded([this] {
    std::optional<std::string> path = view_.AskForPictureFile();
    // A dialog runs the event loop: F7 may have drawn meanwhile.
    if (path && !drawing_) {
      LoadFirstFile(DroppedItems{{}, {std::move(*path)}});
    }
  });
}

void Form1Core::Timer1_Timer() {
  if (drawing_) {
    return;  // a tick that arrives while a drawing repaints the window
  }
  if (registering_) {
    // F7 records a swatch now: no drawing starts.
    Guarded([this] { RegisterTick(); });
    return;
  }
  Guarded([this] { Tick(); });
  if (drawing_) {
    Guarded([this] { EndDrawing(); });
  }
}

void Form1Core::Tick() {
  TickResult result = TickResult::Idle;
  try {
    result = DrawTriggerTick(drawing_desktop_, *this, settings_, *this);
    key_state_failed_ = false;
  } catch (const std::exception& error) {
    // Only reading F7 can fail here; tell it once, not on every tick.
    if (!key_state_failed_) {
      Report(texts::kKeyStateFailed, error);
    }
    key_state_failed_ = true;
  }
  // Delivery could not get every dot onto the screen: not complete.
  if (result == TickResult::Drawn) {
    MeasureRate();
    if (const int lost = drawing_desktop_.DotsNotLanded(); lost > 0) {
      view_.ShowMessage(WithNumber(texts::kDrawingIncomplete, lost));
    }
  }
}

bool Form1Core::Form_QueryUnload() {
  if (!drawing_) {
    return true;
  }
  // The drawing stops at its next check for F8 and releases the button; the
  // window closes once it has ended.
  close_requested_ = true;
  drawing_desktop_.RequestAbort();
  return false;
}

double Form1Core::ScaleWidth() const { return shown_.width; }

double Form1Core::ScaleHeight() const { return shown_.height; }

COLORREF Form1Core::GetPixel(std::int32_t x, std::int32_t y) const {
  return ColourAt(shown_, x, y);
}

CoordinateMode Form1Core::SelectedMode() const {
  return view_.SelectedOption() == 0 ? CoordinateMode::Absolute
                                     : CoordinateMode::Relative;
}

void Form1Core::SetTimerEnabled(bool enabled) {
  if (enabled) {
    view_.SetTimerEnabled(true);
    return;
  }
  view_.SetTimerEnabled(false);
  BeginDrawing();
}

void Form1Core::ReportProblem(const std::string& message) {
  view_.ShowMessage(message);
}

void Form1Core::ColumnDone(int columns_done, int columns_total) {
  const int percent =
      columns_total > 0
          ? static_cast<int>(std::int64_t{columns_done} * 100 / columns_total)
          : 100;
  if (percent != shown_percent_) {
    shown_percent_ = percent;
    view_.SetCaption(WithNumber(texts::kDrawingCaption, percent));
  }
  // Keeps the window painted and answering the desktop; the user's input
  // waits and is dropped when the drawing ends.
  view_.ProcessPendingPaint();
}

void Form1Core::MeasureRate() {
  const double seconds = clock_() - drawing_started_;
  const std::uint64_t marks = drawing_desktop_.presses();
  // A drawing without a dot says nothing about the pace.
  if (marks == 0 || !(seconds > 0)) return;
  rate_[drawing_strokes_ ? 1 : 0] = static_cast<double>(marks) / seconds;
  if (preview_on_) Refresh();
}

void Form1Core::BeginDrawing() {
  drawing_ = true;
  drawing_started_ = clock_();
  drawing_strokes_ = settings_.Strokes;
  drawing_desktop_.ResetPresses();
  shown_percent_ = -1;
  view_.SetUserInputEnabled(false);
}

void Form1Core::EndDrawing() {
  // Still drawing while the view discards queued input, so that a tick
  // delivered meanwhile cannot start another drawing inside this one.
  try {
    view_.SetUserInputEnabled(true);
  } catch (...) {
    drawing_ = false;
    drawing_desktop_.ClearAbort();
    throw;
  }
  drawing_ = false;
  drawing_desktop_.ClearAbort();
  view_.SetCaption(texts::kCaption);
  if (close_requested_) {
    view_.Close();
  }
}

}  // namespace scrivlet
