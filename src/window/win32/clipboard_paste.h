#pragma once

// What Ctrl+V pastes on Windows: the clipboard's files, read as a drop reads
// them (CF_HDROP, else a copied address), or else its picture (CF_DIB),
// decoded through WIC with the drop's checks.

#include <cstdint>
#include <span>
#include <vector>

#include "window/core/form1_view.h"

namespace scrivlet {

// OleInitialize must have run on this thread.
PastedData ReadClipboardWin32();

// A packed DIB (CF_DIB: header, masks, palette, pixels) as a BMP file, the
// 14-byte file header in front; empty when its header is cut short.
std::vector<std::uint8_t> BmpFileOfDib(std::span<const std::uint8_t> dib);

}  // namespace scrivlet
