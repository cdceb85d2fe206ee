// The draw command's start on Linux: the Qt picture loader, no window.

#include "app/draw_command.h"
#include "app/draw_command_line.h"
#include "window/qt/qt_picture_decoder.h"

namespace scrivlet {

std::optional<int> RunIfDrawCommand(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + std::min(argc, 1),
                                           argv + argc);
  if (!IsDrawCommand(arguments)) {
    return std::nullopt;
  }
  // QImageReader needs no application object, so no display either.
  QtPictureDecoder decoder;
  return RunDrawCommand({arguments.begin() + 1, arguments.end()}, decoder);
}

}  // namespace scrivlet
