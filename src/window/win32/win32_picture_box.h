#pragma once

// Picture1 as a native window: it paints the picture shown, top-down
// 0xAARRGGBB rows, over its whole inner area, and is sized by it.

#include <functional>

#include "window/core/picture.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {

inline constexpr const wchar_t* kPictureClass = L"ScrivletPicture1";

// What the picture box shows; its window's user data points here.
struct PictureBoxState {
  const Picture* shown = nullptr;  // owned by the core
  std::function<void()> double_click;
};

// Registers the picture box's window class (with the program's icon).
void RegisterPictureBoxClass(HINSTANCE instance);
// Shows `shown` in `box`, sized so that its inner area is the picture's.
void ShowInPictureBox(HWND box, PictureBoxState& state, const Picture& shown);

}  // namespace scrivlet
