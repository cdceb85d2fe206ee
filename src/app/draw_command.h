#pragma once

// `scrivlet draw`: one drawing of a picture file, for scripts, through the
// same trigger, plotters, delivery and backend as F7 in the window, without
// the window and beside it. Prints one summary line on stdout and any
// problem on stderr; the exit status is one of kDraw* (draw_command_line.h).

#include <optional>
#include <string>
#include <vector>

#include "window/core/picture.h"

namespace scrivlet {

// `words` are the arguments after "draw"; `decoder` reads the picture file.
int RunDrawCommand(const std::vector<std::string>& words,
                   PictureDecoder& decoder);

// The program's first step: runs the draw command when the command line
// starts with "draw", with the platform's picture decoder (and, on Windows,
// the console of the program that started it); nullopt otherwise.
std::optional<int> RunIfDrawCommand(int argc, char** argv);

}  // namespace scrivlet
