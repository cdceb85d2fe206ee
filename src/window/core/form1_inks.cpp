// Registering the target's own inks: the user points at each swatch of the
// program drawn into and presses F7, so no click lands in it and no
// coordinates are typed; the colour is read from the screen, not guessed.

#include <algorithm>
#include <string>

#include "window/core/form1_core.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

std::string WithCount(const char* text, std::size_t count) {
  std::string filled = text;
  if (const std::size_t at = filled.find("%1"); at != std::string::npos) {
    filled.replace(at, 2, std::to_string(count));
  }
  return filled;
}

}  // namespace

std::optional<COLORREF> Form1Core::ReadSwatch(ScreenPoint at) {
  try {
    // One pixel through the region capture, the read every backend that
    // confirms dots has.
    return desktop_.CaptureScreenRegion({at.x, at.y, 1, 1}).At(at);
  } catch (const PlatformError&) {
    return std::nullopt;
  }
}

void Form1Core::Command2_Click() {
  if (drawing_) {
    return;
  }
  Guarded([this] {
    if (registering_) {
      EndRegistering();
      return;
    }
    // The pointer is on this button now: if even that cannot be read, no
    // swatch can, and the state is not entered.
    if (!ReadSwatch(desktop_.GetCursorPos())) {
      view_.ShowMessage(texts::kNoScreenRead);
      return;
    }
    registering_ = true;
    ShowInks();
  });
}

void Form1Core::InkChip_Click(std::size_t slot) {
  if (drawing_) {
    return;
  }
  Guarded([this, slot] {
    if (slot < settings_.Inks.size()) {
      settings_.Inks.erase(settings_.Inks.begin() +
                           static_cast<std::ptrdiff_t>(slot));
      ShowInks();
      Refresh();
    }
  });
}

void Form1Core::RegisterTick() {
  std::uint16_t f7 = 0;
  std::uint16_t f8 = 0;
  try {
    f7 = desktop_.GetAsyncKeyState(VK_F7);
    f8 = desktop_.GetAsyncKeyState(VK_F8);
  } catch (const std::exception& error) {
    // Without the keys the state could not be left but by the button:
    // leave it now and say why, once.
    EndRegistering();
    Report(texts::kKeyStateFailed, error);
    return;
  }
  if (f8 == kFreshKeyPress) {
    EndRegistering();
  } else if (f7 == kFreshKeyPress) {
    RecordSwatch();
  }
}

void Form1Core::RecordSwatch() {
  if (settings_.Inks.size() >= kInkChips.size()) {
    view_.ShowMessage(WithCount(texts::kInksFull, kInkChips.size()));
    return;
  }
  const ScreenPoint at = desktop_.GetCursorPos();
  const std::optional<COLORREF> colour = ReadSwatch(at);
  if (!colour) {
    view_.ShowMessage(texts::kInkUnreadable);
    return;
  }
  // Two swatches of one colour would be one ink clicked in two places.
  if (std::ranges::any_of(settings_.Inks, [&](const Ink& ink) {
        return ink.colour == *colour;
      })) {
    view_.ShowMessage(texts::kInkTwice);
    return;
  }
  settings_.Inks.push_back({at, *colour});
  ShowInks();
  Refresh();
}

void Form1Core::EndRegistering() {
  registering_ = false;
  ShowInks();
}

void Form1Core::ShowInks() {
  const InkList& inks = settings_.Inks;
  for (std::size_t slot = 0; slot < kInkChips.size(); ++slot) {
    view_.ShowInkChip(kInkChips[slot],
                      slot < inks.size()
                          ? std::optional<COLORREF>(inks[slot].colour)
                          : std::nullopt);
  }
  view_.SetText(Control::Command2,
                registering_ ? texts::kEndRegistering : texts::kRegisterInks);
  view_.SetText(Control::Label8,
                registering_   ? std::string(texts::kRegistering)
                : inks.empty() ? std::string(texts::kNoInks)
                               : WithCount(texts::kInkCount, inks.size()));
}

}  // namespace scrivlet
