#include "pointer_settings.h"

#include <stdexcept>

#include "platform/win32/win32_api.h"

namespace scrivlet::testing {

MouseAccelerationGuard::MouseAccelerationGuard(int threshold1, int threshold2,
                                               int level) {
  std::array<int, 3> wanted = {threshold1, threshold2, level};
  if (::SystemParametersInfoW(SPI_GETMOUSE, 0, saved_.data(), 0) == FALSE ||
      ::SystemParametersInfoW(SPI_SETMOUSE, 0, wanted.data(), 0) == FALSE) {
    throw std::runtime_error("SystemParametersInfoW(SPI_SETMOUSE) failed");
  }
}

MouseAccelerationGuard::~MouseAccelerationGuard() {
  ::SystemParametersInfoW(SPI_SETMOUSE, 0, saved_.data(), 0);
}

}  // namespace scrivlet::testing
