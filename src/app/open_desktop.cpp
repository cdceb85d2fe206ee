#include "app/open_desktop.h"

#include "delivery/delivery_pacer.h"
#include "platform/desktop.h"

namespace scrivlet {

std::unique_ptr<PlatformInput> OpenDesktop() { return OpenPacedDesktop(); }

std::unique_ptr<DeliveryPacer> OpenPacedDesktop() {
  return std::make_unique<DeliveryPacer>(OpenNativeDesktop(),
                                         MakeSteadyPacingClock());
}

}  // namespace scrivlet
