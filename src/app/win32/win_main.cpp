// Scrivlet for Windows: redraws a picture as dots in another program by
// clicking for you. F7 draws at the pointer, F8 stops.

#include <exception>
#include <memory>
#include <span>
#include <string>

#include "app/draw_command.h"
#include "app/open_desktop.h"
#include "platform/desktop.h"
#include "session/drawing_lock.h"
#include "session/instance_texts.h"
#include "session/win32/reserved_keys.h"
#include "session/win32/single_instance.h"
#include "window/core/window_texts.h"
#include "window/win32/resource_ids.h"
#include "window/win32/wic_picture_decoder.h"
#include "window/win32/wide_text.h"
#include "window/win32/win32_form1.h"
#include "window/win32/windows_ui.h"

// <windows.h> renames OpenDesktop to OpenDesktopA; Scrivlet's own function of
// that name is meant here.
#undef OpenDesktop

namespace {

// The built-in sample picture, compiled into the program as a resource.
scrivlet::Picture SamplePicture(HINSTANCE instance) {
  HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(IDR_SAMPLE_GIF),
                                MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
  const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    return {};
  }
  const std::span<const std::uint8_t> file(
      static_cast<const std::uint8_t*>(bytes),
      ::SizeofResource(instance, found));
  return scrivlet::DecodePictureBytesWic(file).picture;
}

void Fail(const std::string& message) {
  ::MessageBoxW(nullptr, scrivlet::Utf16(message).c_str(),
                scrivlet::Utf16(scrivlet::texts::kCaption).c_str(),
                MB_OK | MB_ICONERROR);
}

}  // namespace

// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/,
                    PWSTR /*command_line*/, int show) {
  if (const auto drawn = scrivlet::RunIfDrawCommand(0, nullptr)) return *drawn;
  const scrivlet::SingleInstance instance_claim;
  if (!instance_claim.first()) {
    if (scrivlet::RaiseRunningInstance(scrivlet::kFormWindowClass)) {
      return 0;  // the running program shows the message
    }
    Fail(scrivlet::texts::kInstanceNoAnswer);
    return 1;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  // WIC and ShellExecuteW want COM on the window's thread, drag and drop
  // wants OLE (which starts COM in a single-threaded apartment).
  const HRESULT com = ::OleInitialize(nullptr);

  std::unique_ptr<scrivlet::PlatformInput> desktop;
  try {
    desktop =
        std::make_unique<scrivlet::DrawingLockDesktop>(scrivlet::OpenDesktop());
  } catch (const scrivlet::PlatformError& error) {
    Fail(std::string(scrivlet::texts::kDesktopFailed) + "\n" + error.what());
    return 1;
  }
  int status = 0;
  try {
    scrivlet::WicPictureDecoder decoder;
    scrivlet::Win32Form1 form(instance, *desktop, decoder);
    form.SetStartPicture(SamplePicture(instance));
    const scrivlet::ReservedKeys keys(form.hwnd());
    form.Show(show);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      if (message.message == WM_HOTKEY ||
          form.TranslateDialogMessage(message)) {
        continue;
      }
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    status = static_cast<int>(message.wParam);
  } catch (const std::exception& error) {
    Fail(error.what());
    status = 1;
  }
  if (SUCCEEDED(com)) {
    ::OleUninitialize();
  }
  return status;
}
