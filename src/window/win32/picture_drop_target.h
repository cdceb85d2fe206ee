#pragma once

// Picture1's side of OLE drag and drop (IDropTarget): takes the files of a
// drop (CF_HDROP) or a dragged address (UniformResourceLocatorW) and asks
// its owner what the drag or drop is confirmed as. The owner's answer comes
// from the toolkit-free Form1Core, so the refusals and messages are the Qt
// window's.

#include <functional>

#include "window/core/dropped_files.h"
#include "window/core/form1_core.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {

struct DropHandlers {
  // A drag moving over the box; `copy_offered`: the source allows a copy.
  std::function<DropEffect(bool copy_offered)> over;
  // The drop itself, with what the data object held.
  std::function<DropEffect(const DroppedItems& items, bool copy_offered)> drop;
};

// What a data object holds that a drop can use: its files, else its address.
DroppedItems ItemsOf(IDataObject& data);

// A COM object is deleted by its own Release, never through a pointer to its
// interface, which has no virtual destructor by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class PictureDropTarget final : public IDropTarget {
 public:
  // Registers a new target for `window` (OleInitialize must have run on this
  // thread). Throws PlatformError if Windows refuses it.
  static PictureDropTarget* Register(HWND window, DropHandlers handlers);
  // Unregisters it and lets it go; no handler runs after this.
  void Revoke();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDropTarget
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at,
                                     DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at,
                                 DWORD* effect) override;

 private:
  PictureDropTarget(HWND window, DropHandlers handlers)
      : window_(window), handlers_(std::move(handlers)) {}
  ~PictureDropTarget() = default;
  [[nodiscard]] DWORD Confirmed(DWORD offered) const;

  ULONG references_ = 1;
  HWND window_;
  DropHandlers handlers_;
  // Whether the data being dragged holds something a drop can use.
  bool usable_ = false;
};
#pragma GCC diagnostic pop

}  // namespace scrivlet
