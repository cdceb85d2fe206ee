#pragma once

// What the drawing engine tells the user, in the window's language.

#include <exception>
#include <string>

namespace scrivlet {

// Why a drawing with coarseness 0 does not start.
std::string CoarsenessZeroMessage();

// Why a drawing with a negative coarseness, or in absolute mode a negative
// threshold, does not start: either would draw nothing.
std::string CoarsenessNegativeMessage();
std::string ThresholdNegativeMessage();

// Why a drawing ended early: a short sentence for the error's kind, then the
// technical detail on its own line.
std::string DrawFailedMessage(const std::exception& error);

}  // namespace scrivlet
