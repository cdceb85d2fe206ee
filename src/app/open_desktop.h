#pragma once

// The desktop the program draws on: the native backend behind the delivery
// pacer, so that every dot lands at the target's own speed.

#include <memory>

#include "platform/platform_input.h"

namespace scrivlet {

class DeliveryPacer;

// Throws PlatformError naming what is missing (no display, no XTest, ...).
std::unique_ptr<PlatformInput> OpenDesktop();

// The same desktop, as the pacer whose counts a summary reads.
std::unique_ptr<DeliveryPacer> OpenPacedDesktop();

}  // namespace scrivlet
