#include "window/win32/picture_drop_target.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/platform_input.h"
#include "window/win32/wide_text.h"

namespace scrivlet {
namespace {

FORMATETC FormatOf(CLIPFORMAT format) {
  return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

CLIPFORMAT UrlFormat() {
  static const auto format = static_cast<CLIPFORMAT>(
      ::RegisterClipboardFormatW(L"UniformResourceLocatorW"));
  return format;
}

bool Holds(IDataObject& data, CLIPFORMAT format) {
  FORMATETC wanted = FormatOf(format);
  return data.QueryGetData(&wanted) == S_OK;
}

// The data object's global memory for `format`, handed to `read`.
template <typename Read>
void ReadGlobal(IDataObject& data, CLIPFORMAT format, Read read) {
  FORMATETC wanted = FormatOf(format);
  STGMEDIUM medium{};
  if (data.GetData(&wanted, &medium) != S_OK) {
    return;
  }
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != nullptr) {
    read(medium.hGlobal);
  }
  ::ReleaseStgMedium(&medium);
}

}  // namespace

DroppedItems ItemsOf(IDataObject& data) {
  DroppedItems items;
  ReadGlobal(data, CF_HDROP, [&items](HGLOBAL memory) {
    auto* drop = static_cast<HDROP>(memory);
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      ::DragQueryFileW(drop, i, path.data(), length + 1);
      path.resize(length);
      items.paths.push_back(Utf8(path));
    }
  });
  if (items.paths.empty()) {
    ReadGlobal(data, UrlFormat(), [&items](HGLOBAL memory) {
      const auto* text = static_cast<const wchar_t*>(::GlobalLock(memory));
      if (text == nullptr) {
        return;
      }
      // Bounded by the block's size: a source need not end it with a 0.
      std::wstring address(text, ::GlobalSize(memory) / sizeof(wchar_t));
      ::GlobalUnlock(memory);
      address.resize(std::min(address.find(L'\0'), address.size()));
      if (!address.empty()) {
        items.uris.push_back(Utf8(address));
      }
    });
  }
  return items;
}

PictureDropTarget* PictureDropTarget::Register(HWND window,
                                               DropHandlers handlers) {
  auto* target = new PictureDropTarget(window, std::move(handlers));
  const HRESULT result = ::RegisterDragDrop(window, target);
  if (FAILED(result)) {
    target->Release();
    throw PlatformError("Accepting drops (RegisterDragDrop) failed (error " +
                        std::to_string(static_cast<unsigned long>(result)) +
                        ")");
  }
  return target;
}

void PictureDropTarget::Revoke() {
  ::RevokeDragDrop(window_);
  handlers_ = {};
  Release();
}

HRESULT PictureDropTarget::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  if (::IsEqualIID(iid, IID_IUnknown) || ::IsEqualIID(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG PictureDropTarget::AddRef() { return ++references_; }

ULONG PictureDropTarget::Release() {
  const ULONG left = --references_;
  if (left == 0) {
    delete this;
  }
  return left;
}

DWORD PictureDropTarget::Confirmed(DWORD offered) const {
  const bool copy = (offered & DROPEFFECT_COPY) != 0;
  return usable_ && handlers_.over && handlers_.over(copy) == DropEffect::Copy
             ? DROPEFFECT_COPY
             : DROPEFFECT_NONE;
}

HRESULT PictureDropTarget::DragEnter(IDataObject* data, DWORD /*keys*/,
                                     POINTL /*at*/, DWORD* effect) {
  usable_ =
      data != nullptr && (Holds(*data, CF_HDROP) || Holds(*data, UrlFormat()));
  *effect = Confirmed(*effect);
  return S_OK;
}

HRESULT PictureDropTarget::DragOver(DWORD /*keys*/, POINTL /*at*/,
                                    DWORD* effect) {
  *effect = Confirmed(*effect);
  return S_OK;
}

HRESULT PictureDropTarget::DragLeave() {
  usable_ = false;
  return S_OK;
}

HRESULT PictureDropTarget::Drop(IDataObject* data, DWORD /*keys*/,
                                POINTL /*at*/, DWORD* effect) {
  const bool copy = (*effect & DROPEFFECT_COPY) != 0;
  *effect = DROPEFFECT_NONE;
  usable_ = false;
  if (data != nullptr && handlers_.drop &&
      handlers_.drop(ItemsOf(*data), copy) == DropEffect::Copy) {
    *effect = DROPEFFECT_COPY;
  }
  return S_OK;
}

}  // namespace scrivlet
