#pragma once

// The view interface: what the toolkit-free window behaviour (Form1Core)
// asks of a front end (Qt, Win32, or a test's fake).
//
// Contract:
// - The front end builds every control of kControls, placed by kPlacements
//   (twips, converted at LogicalDpi()), with the texts, fonts and focus
//   order of controls.h. It then creates the core and calls
//   Form1Core::Form_Load() once, and starts Timer1 (kTimer1IntervalMs).
// - It forwards every event to the core's handler of the same name:
//   a resize to Form_Resize, a text change of Text1/Text2/Text4 to
//   TextN_Change, a newly selected option to Option1_Click(index), a user's
//   click on Check1/Check2 to CheckN_Click, Command1's click, each timer
//   tick, a close request to Form_QueryUnload, and drags/drops over
//   Picture1 to Picture1_OLEDragOver/Picture1_OLEDragDrop, confirming the
//   DropEffect the core returns (never "move"). Likewise a newly selected
//   button of Option2/Option3 to Option2_Click/Option3_Click(index), a
//   click on Check3 to Check3_Click, Ctrl+V in the window to Form_Paste and
//   a double click on Picture1 to Picture1_DblClick; a click on Command2 or
//   on an ink chip to ControlEvent.
// - The core never throws out of a handler: it catches at every handler
//   boundary and reports through ShowMessage. A view method may throw; the
//   core treats that as any other failure of the handler that called it.
// - All calls happen on the user-interface thread. During a drawing the
//   core calls ProcessPendingPaint() after every column; that call may
//   deliver a close request (Form_QueryUnload) and timer ticks, but the
//   view must deliver no user input (mouse, keyboard, drops) while
//   SetUserInputEnabled(false) is in force.
// - Texts are UTF-8 throughout.

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform_input.h"
#include "window/core/controls.h"
#include "window/core/dropped_files.h"
#include "window/core/picture.h"

namespace scrivlet {

struct PixelSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct Dpi {
  double x = 96.0;
  double y = 96.0;
};

// A check box's value: clear, checked, or grayed (set by the program; a
// user's click on a grayed box clears it).
enum class CheckValue : std::uint8_t { Unchecked = 0, Checked = 1, Grayed = 2 };

// What the clipboard holds for a paste: files, as a drop names them, and a
// picture decoded by the toolkit, or why it could not be (both empty when
// there is none).
struct PastedData {
  DroppedItems items;
  DecodedPicture picture;
};

class Form1View {
 public:
  Form1View() = default;
  Form1View(const Form1View&) = delete;
  Form1View& operator=(const Form1View&) = delete;
  Form1View(Form1View&&) = delete;
  Form1View& operator=(Form1View&&) = delete;
  virtual ~Form1View() = default;

  // An edit box's or label's text. Setting Text1/Text2/Text4 raises their
  // change event as a user's typing does.
  [[nodiscard]] virtual std::string GetText(Control control) const = 0;
  virtual void SetText(Control control, std::string_view text) = 0;

  [[nodiscard]] virtual CheckValue GetCheck(Control control) const = 0;

  // The selected Option1 button: 0 (絶対座標) or 1 (相対座標).
  [[nodiscard]] virtual int SelectedOption() const = 0;

  // The window's title bar.
  virtual void SetCaption(std::string_view text) = 0;

  // Tells the user something in the window's one message box, without
  // blocking the window or a drawing. While a box is open its text is
  // replaced and it is raised: there is never more than one box.
  virtual void ShowMessage(std::string_view text) = 0;

  // false while a drawing runs: the user's mouse, keyboard and drop input to
  // the window is swallowed. true discards what queued up meanwhile, then
  // takes input again.
  virtual void SetUserInputEnabled(bool enabled) = 0;

  // Switches Timer1.
  virtual void SetTimerEnabled(bool enabled) = 0;

  // The window's inner (client) area in pixels and its logical DPI now.
  [[nodiscard]] virtual PixelSize InnerSize() const = 0;
  [[nodiscard]] virtual Dpi LogicalDpi() const = 0;

  // Moves and sizes SSTab1 within the window's inner area.
  virtual void SetTabGeometry(PixelRect rect) = 0;

  // The top-level window, for PlatformInput::SetWindowPos (topmost).
  [[nodiscard]] virtual NativeWindow NativeHandle() const = 0;

  // Opens an address with the desktop's opener, no command shell; false if
  // nothing could open it.
  virtual bool OpenUrl(const std::string& url) = 0;

  // Repaints what needs it and answers the desktop (pings, close requests,
  // timer ticks), taking no user input. Called during a drawing.
  virtual void ProcessPendingPaint() = 0;

  // Shows `shown` in Picture1's inner area from its top-left corner and
  // sizes the box to it (border outside). `shown` is opaque (alpha 0xFF)
  // and stays alive and unchanged until the next call, so a view may show
  // it without a copy.
  virtual void ShowPicture(const Picture& shown) = 0;

  // Greys a control out (false) or gives it back to the user (true).
  virtual void SetEnabled(Control control, bool enabled) = 0;

  // Shows an ink chip (one of kInkChips) filled with `colour` (0x00BBGGRR),
  // or hides it for nullopt. Chips start hidden; the core shows them.
  virtual void ShowInkChip(Control chip, std::optional<COLORREF> colour) = 0;

  // The clipboard's files and picture now.
  [[nodiscard]] virtual PastedData ReadClipboard() = 0;

  // Asks the user for a picture file; nullopt if they cancel. The name is
  // spelled as PictureDecoder::Decode takes it.
  [[nodiscard]] virtual std::optional<std::string> AskForPictureFile() = 0;

  // Closes the window for good; the program ends when it is gone.
  virtual void Close() = 0;
};

}  // namespace scrivlet
