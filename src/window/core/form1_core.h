#pragma once

// Form1's behaviour, free of any toolkit: the drawing settings and their
// rules, the option presets, check values, the order of the drop decisions,
// the timer tick, caption progress, input blocking and closing mid-drawing.
// It drives a front end through Form1View (form1_view.h) and is the
// PictureView the plotters read.

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "engine/draw_settings.h"
#include "engine/draw_trigger.h"
#include "engine/picture_view.h"
#include "platform/platform_input.h"
#include "window/core/abortable_desktop.h"
#include "window/core/dropped_files.h"
#include "window/core/form1_view.h"
#include "window/core/ink_preview.h"
#include "window/core/picture.h"

namespace scrivlet {

// What a drag or drop over Picture1 is confirmed as.
enum class DropEffect : std::uint8_t { None, Copy };

// Picture1's stored inner area at `dpi`: its stored size less its border.
[[nodiscard]] PixelSize Picture1InnerSize(Dpi dpi);

class Form1Core : public DrawHost, public PictureView {
 public:
  // `inner_size` is Picture1's stored inner area in pixels; the box grows
  // beyond it only for a larger picture. All three must outlive the core.
  Form1Core(Form1View& view, PlatformInput& desktop, PictureDecoder& decoder,
            PixelSize picture_inner_size);

  [[nodiscard]] const DrawSettings& settings() const { return settings_; }
  [[nodiscard]] bool drawing() const { return drawing_; }

  // Seconds on a steady clock; the time estimate measures drawings with it.
  using Clock = std::function<double()>;
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  // Shows a picture as a drop would (the built-in sample at start).
  void SetPicture(Picture picture);

  // The handlers, named after their control and event. None throws.
  void Form_Load();     // reads the settings boxes, writes the usage text
  void Form_Resize();   // lays the tab control out over the window
  void Text1_Change();  // magnification
  void Text2_Change();  // coarseness
  void Text4_Change();  // threshold
  void Option1_Click(std::int16_t index);  // 0 absolute, 1 relative moves
  void Check1_Click();                     // window on top or not
  void Check2_Click();                     // drag input on or off
  // The third page: dots or strokes, the dithering, the preview.
  void Option2_Click(std::int16_t index);  // 0 dots, 1 strokes
  void Option3_Click(std::int16_t index);  // 0 none, 1 diffusion, 2 ordered
  void Check3_Click();                     // the preview on or off
  void Command1_Click();                   // opens the home page
  // 色を登録: while registering, F7 records the target's swatch under the
  // pointer as an ink instead of drawing, and F8 or this button ends it.
  // Refused, with a message, where the desktop cannot read the screen.
  void Command2_Click();
  void InkChip_Click(std::size_t slot);  // removes that ink
  [[nodiscard]] bool registering() const { return registering_; }
  void Timer1_Timer();  // looks for F7 and draws when it is pressed
  // The change or click handler of `control`, as both views raise it: a
  // text box's change, a check box's or Command1's click, an option
  // button's selection. Other controls raise none.
  void ControlEvent(Control control);
  // A drag moving over Picture1: what to tell the source now.
  [[nodiscard]] DropEffect Picture1_OLEDragOver(bool copy_offered) const;
  // A drop on Picture1: loads its first local file; returns what the drop
  // is confirmed as (None refuses it, so the source keeps its file).
  DropEffect Picture1_OLEDragDrop(const DroppedItems& items, bool copy_offered);
  // The user or the desktop asks the window to close. true: close now.
  // During a drawing it aborts the drawing (no button left down), answers
  // false, and calls view.Close() once the drawing has ended.
  bool Form_QueryUnload();
  // Ctrl+V: a pasted file is taken as a drop of it, a pasted picture with
  // the size checks a dropped one gets.
  void Form_Paste();
  // Asks for a picture file and takes it as a drop of it.
  void Picture1_DblClick();

  // PictureView: what Picture1 shows, composited over white.
  [[nodiscard]] double ScaleWidth() const override;
  [[nodiscard]] double ScaleHeight() const override;
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override;

  // DrawHost
  [[nodiscard]] CoordinateMode SelectedMode() const override;
  void SetTimerEnabled(bool enabled) override;
  void ReportProblem(const std::string& message) override;
  void ColumnDone(int columns_done, int columns_total) override;

 private:
  // Runs a handler's body; any exception becomes a message.
  void Guarded(const std::function<void()>& body) noexcept;
  void StoreConverted(Control box, std::int16_t& field);
  // Takes the first local file of `items` as a drop does; false when they
  // name none (nothing was read).
  bool LoadFirstFile(const DroppedItems& items);
  // Shows the preview or the picture, whichever the preview box asks for.
  void Refresh();
  void Tick();
  void Report(const char* what, const std::exception& error);
  // The registering state's tick: F7 records a swatch, F8 ends the state.
  void RegisterTick();
  void RecordSwatch();
  void EndRegistering();
  // The colour the screen shows at `at`; nullopt where it cannot be read.
  [[nodiscard]] std::optional<COLORREF> ReadSwatch(ScreenPoint at);
  // The chips and Label8 as the registered inks and the state say.
  void ShowInks();
  void BeginDrawing();
  // After a drawing that ran to its end: its dots or strokes a second.
  void MeasureRate();
  void EndDrawing();

  Form1View& view_;
  PlatformInput& desktop_;
  AbortableDesktop drawing_desktop_;
  PictureDecoder& decoder_;
  PixelSize stored_inner_;
  Picture shown_;    // opaque, at least stored_inner_
  Picture preview_;  // shown instead of shown_; the plotters never read it
  DrawSettings settings_;
  bool preview_on_ = false;
  bool plain_shown_ = false;  // the view shows shown_, Label7 is empty
  // Dots or strokes a second in the last drawing that ran to its end, for
  // dots [0] and strokes [1]; unknown before one.
  std::array<std::optional<double>, 2> rate_;
  Clock clock_;
  double drawing_started_ = 0;
  bool drawing_strokes_ = false;
  bool drawing_ = false;
  bool close_requested_ = false;
  int shown_percent_ = -1;
  bool key_state_failed_ = false;
  bool registering_ = false;
};

}  // namespace scrivlet
