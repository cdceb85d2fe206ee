#pragma once

// A front end in memory for Form1Core: controls are strings and flags, and
// what the core asks of the view is recorded.

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fake_desktop.h"
#include "window/core/form1_core.h"
#include "window/core/form1_view.h"

namespace scrivlet::testing {

class FakeForm1View : public Form1View {
 public:
  FakeForm1View() {
    for (const ControlInfo& info : kControls) {
      if (info.text != nullptr) texts[info.control] = info.text;
    }
  }

  // Set after the core exists: setting an edit box raises its change
  // event, as on every toolkit.
  Form1Core* core = nullptr;
  // Run at the start of every query the core makes (a fault to inject).
  std::function<void()> on_query;
  // Run from ProcessPendingPaint, i.e. after every column of a drawing.
  std::function<void()> on_paint;

  std::map<Control, std::string> texts;
  std::map<Control, CheckValue> checks;
  int option = 0;
  bool open_url_result = true;
  PixelSize inner{470, 304};
  Dpi dpi;

  std::vector<std::string> captions;
  std::vector<std::string> messages;
  std::vector<bool> input_enabled;
  std::vector<std::string> opened;
  std::vector<PixelRect> tab_geometry;
  bool timer_enabled = true;
  int paints = 0;
  PixelSize shown_size;
  std::vector<std::uint32_t> shown_pixels;
  std::map<Control, bool> control_enabled;  // only what the core switched
  std::map<Control, std::optional<COLORREF>> chips;  // shown ink chips
  PastedData clipboard;
  std::optional<std::string> chosen_file;  // what the file dialog answers
  int closes = 0;

  [[nodiscard]] std::string GetText(Control control) const override {
    Query();
    const auto found = texts.find(control);
    return found == texts.end() ? std::string() : found->second;
  }
  void SetText(Control control, std::string_view text) override {
    texts[control] = text;
    if (core == nullptr) return;
    if (control == Control::Text1) core->Text1_Change();
    if (control == Control::Text2) core->Text2_Change();
    if (control == Control::Text4) core->Text4_Change();
  }
  [[nodiscard]] CheckValue GetCheck(Control control) const override {
    Query();
    const auto found = checks.find(control);
    return found == checks.end() ? CheckValue::Unchecked : found->second;
  }
  [[nodiscard]] int SelectedOption() const override {
    Query();
    return option;
  }
  void SetCaption(std::string_view text) override {
    captions.emplace_back(text);
  }
  void ShowMessage(std::string_view text) override {
    messages.emplace_back(text);
  }
  void SetUserInputEnabled(bool enabled) override {
    input_enabled.push_back(enabled);
  }
  void SetTimerEnabled(bool enabled) override { timer_enabled = enabled; }
  [[nodiscard]] PixelSize InnerSize() const override {
    Query();
    return inner;
  }
  [[nodiscard]] Dpi LogicalDpi() const override { return dpi; }
  void SetTabGeometry(PixelRect rect) override { tab_geometry.push_back(rect); }
  [[nodiscard]] NativeWindow NativeHandle() const override { return 0x4242; }
  bool OpenUrl(const std::string& url) override {
    Query();
    opened.push_back(url);
    return open_url_result;
  }
  void ProcessPendingPaint() override {
    ++paints;
    if (on_paint) on_paint();
  }
  void ShowPicture(const Picture& shown) override {
    shown_size = {shown.width, shown.height};
    shown_pixels = shown.argb;
  }
  void SetEnabled(Control control, bool on) override {
    control_enabled[control] = on;
  }
  void ShowInkChip(Control chip, std::optional<COLORREF> colour) override {
    chips[chip] = colour;
  }
  [[nodiscard]] PastedData ReadClipboard() override {
    Query();
    return clipboard;
  }
  [[nodiscard]] std::optional<std::string> AskForPictureFile() override {
    Query();
    return chosen_file;
  }
  void Close() override { ++closes; }

 private:
  void Query() const {
    if (on_query) on_query();
  }
};

// A Unix-style path as this system spells it (Windows: C:\\dir\\name).
inline std::string NativePath(std::string path) {
#ifdef _WIN32
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

// Answers each path from a table; anything else is "not found".
class FakeDecoder : public PictureDecoder {
 public:
  std::map<std::string, DecodedPicture> files;
  std::vector<std::string> asked;
  bool out_of_memory = false;

  DecodedPicture Decode(const std::string& path) override {
    asked.push_back(path);
    if (out_of_memory) throw std::bad_alloc();
    const auto found = files.find(path);
    if (found == files.end()) return {{}, texts::kDropNotFound};
    return found->second;
  }
};

// A picture of `width` x `height` with a dark dot every third pixel.
inline Picture Dotted(int width, int height) {
  Picture picture{width, height, {}};
  for (int i = 0; i < width * height; ++i) {
    picture.argb.push_back(i % 3 == 0 ? 0xFF000000U : 0xFFFFFFFFU);
  }
  return picture;
}

// A desktop whose screen shows `swatches` on white, or cannot be read.
class ScreenDesktop : public FakeDesktop {
 public:
  bool readable = true;
  std::map<std::pair<int, int>, COLORREF> swatches;

  std::optional<COLORREF> ReadScreenPixel(ScreenPoint at) override {
    // Off the 1920 x 1080 screen nothing is read, even where readable.
    if (!readable || at.x >= 1920) return std::nullopt;
    const auto found = swatches.find({at.x, at.y});
    return found == swatches.end() ? COLORREF{0xFFFFFF} : found->second;
  }
};

// A core in front of the fakes, loaded as at start-up over `picture`, with
// the box's stored inner size of 30 x 12.
template <typename Desktop = FakeDesktop>
struct CoreRig {
  explicit CoreRig(Picture picture = Dotted(24, 10))
      : core(view, desktop, decoder, {30, 12}) {
    view.core = &core;
    core.SetPicture(std::move(picture));
    core.Form_Load();
  }
  // A fresh press of `key` seen at the window's next tick.
  void Press(int key) {
    desktop.AnswerNextQuery(key, kFreshKeyPress);
    core.Timer1_Timer();
  }

  FakeForm1View view;
  Desktop desktop;
  FakeDecoder decoder;
  Form1Core core;
};

}  // namespace scrivlet::testing
