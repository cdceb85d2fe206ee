#include "platform/desktop.h"

#include "platform/delivery_pacer.h"

namespace scrivlet {

std::unique_ptr<PlatformInput> OpenDesktop() {
  return std::make_unique<DeliveryPacer>(OpenNativeDesktop(),
                                         MakeSteadyPacingClock());
}

}  // namespace scrivlet
