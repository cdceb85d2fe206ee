#pragma once

// Whether there is a display to show the window on, found out before the
// toolkit starts: Qt aborts the whole process when it cannot reach one.

#include <string>

namespace scrivlet {

// Empty when a display answers (or Qt was told to use a platform that needs
// none, such as offscreen); otherwise what is missing, in English, for the
// detail line under the Japanese message.
std::string MissingDisplay();

}  // namespace scrivlet
