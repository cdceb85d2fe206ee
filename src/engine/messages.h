#pragma once

// What the drawing engine tells the user, in the window's language.

#include <exception>
#include <string>

namespace scrivlet {

// Why a drawing with coarseness 0 does not start.
std::string CoarsenessZeroMessage();

// Why a drawing ended early: a short sentence for the error's kind, then the
// technical detail on its own line.
std::string DrawFailedMessage(const std::exception& error);

}  // namespace scrivlet
