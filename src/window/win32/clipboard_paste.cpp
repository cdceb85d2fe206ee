#include "window/win32/clipboard_paste.h"

#include <wrl/client.h>

#include "window/core/picture_integrity.h"
#include "window/core/window_texts.h"
#include "window/win32/picture_drop_target.h"
#include "window/win32/wic_picture_decoder.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {
namespace {

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) |
         static_cast<std::uint32_t>(bytes[at + 1]) << 8U |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16U |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24U;
}

std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8U);
}

void PutLe32(std::vector<std::uint8_t>& out, std::size_t at,
             std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    out[at + i] = static_cast<std::uint8_t>(value >> (8U * i));
  }
}

// The clipboard's CF_DIB block, copied out (Windows makes one from a
// CF_BITMAP or CF_DIBV5 too).
std::vector<std::uint8_t> ClipboardDib() {
  std::vector<std::uint8_t> dib;
  if (::OpenClipboard(nullptr) == FALSE) {
    return dib;
  }
  if (HANDLE block = ::GetClipboardData(CF_DIB)) {
    if (const auto* bytes =
            static_cast<const std::uint8_t*>(::GlobalLock(block))) {
      dib.assign(bytes, bytes + ::GlobalSize(block));
      ::GlobalUnlock(block);
    }
  }
  ::CloseClipboard();
  return dib;
}

}  // namespace

std::vector<std::uint8_t> BmpFileOfDib(std::span<const std::uint8_t> dib) {
  constexpr std::size_t kFileHeader = 14;
  constexpr std::size_t kInfoHeader = 40;
  if (dib.size() < kInfoHeader) {
    return {};
  }
  const std::uint32_t header = Le32(dib, 0);
  if (header < kInfoHeader || header > dib.size()) {
    return {};
  }
  const std::uint16_t bits = Le16(dib, 14);
  const std::uint32_t compression = Le32(dib, 16);
  const std::uint32_t colours_used = Le32(dib, 32);
  // Three masks follow a plain info header for BI_BITFIELDS.
  std::uint64_t offset = kFileHeader + header;
  if (header == kInfoHeader && compression == BI_BITFIELDS) {
    offset += 12;
  }
  if (bits <= 8) {
    offset += 4ULL * (colours_used != 0 ? colours_used : 1U << bits);
  } else {
    offset += 4ULL * colours_used;
  }
  if (offset > kFileHeader + dib.size()) {
    return {};
  }
  std::vector<std::uint8_t> file(kFileHeader + dib.size());
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(file, 2, static_cast<std::uint32_t>(file.size()));
  PutLe32(file, 10, static_cast<std::uint32_t>(offset));
  std::copy(dib.begin(), dib.end(), file.begin() + kFileHeader);
  return file;
}

PastedData ReadClipboardWin32() {
  PastedData pasted;
  {
    Microsoft::WRL::ComPtr<IDataObject> data;
    if (SUCCEEDED(::OleGetClipboard(&data)) && data != nullptr) {
      pasted.items = ItemsOf(*data.Get());
    }
  }
  if (!pasted.items.paths.empty() || !pasted.items.uris.empty()) {
    return pasted;
  }
  const std::vector<std::uint8_t> dib = ClipboardDib();
  if (dib.empty()) {
    return pasted;
  }
  const std::vector<std::uint8_t> file = BmpFileOfDib(dib);
  // Rows the block does not hold would decode as black, as in a cut file.
  if (file.empty() || !BmpHoldsAllRows(file, file.size())) {
    pasted.picture.problem = texts::kDropBroken;
    return pasted;
  }
  pasted.picture = DecodePictureBytesWic(file);
  return pasted;
}

}  // namespace scrivlet
