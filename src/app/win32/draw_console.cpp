// The draw command's start on Windows. The program is a windowed one, so
// it has no console of its own: it prints on the console of the program
// that started it, if any, and reads the picture through WIC.

#include <cstdio>

#include "app/draw_command.h"
#include "app/draw_command_line.h"
#include "window/win32/wic_picture_decoder.h"
#include "window/win32/wide_text.h"
#include "window/win32/windows_ui.h"

namespace scrivlet {
namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) {
    arguments.push_back(Utf8(words[i]));
  }
  ::LocalFree(static_cast<void*>(words));
  return arguments;
}

// The console's code page before ours, to give back: 0 for none.
UINT UseParentConsole() {
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
    return 0;  // started without one (Explorer): nothing to print on
  }
  FILE* stream = nullptr;
  (void)::freopen_s(&stream, "CONOUT$", "w", stdout);
  (void)::freopen_s(&stream, "CONOUT$", "w", stderr);
  // The messages are UTF-8; the console is the user's again afterwards.
  const UINT earlier = ::GetConsoleOutputCP();
  ::SetConsoleOutputCP(CP_UTF8);
  return earlier;
}

}  // namespace

std::optional<int> RunIfDrawCommand(int /*argc*/, char** /*argv*/) {
  const std::vector<std::string> arguments = Arguments();
  if (!IsDrawCommand(arguments)) {
    return std::nullopt;
  }
  const UINT code_page = UseParentConsole();
  WicPictureDecoder decoder;
  const int status =
      RunDrawCommand({arguments.begin() + 1, arguments.end()}, decoder);
  std::fflush(stdout);
  std::fflush(stderr);
  if (code_page != 0) {
    ::SetConsoleOutputCP(code_page);
  }
  return status;
}

}  // namespace scrivlet
