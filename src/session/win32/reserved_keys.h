#pragma once

// F7 and F8 reserved for Scrivlet while it runs, as on X11, so that pressing
// them does not also reach the program being drawn into. The trigger still
// reads them with GetAsyncKeyState; the WM_HOTKEY messages are ignored.

#include "platform/win32/win32_api.h"

namespace scrivlet {

class ReservedKeys {
 public:
  // Reserves what Windows allows; a key another program holds already stays
  // unreserved (it then reaches the target too, and still triggers here).
  explicit ReservedKeys(HWND window);
  ~ReservedKeys();
  ReservedKeys(const ReservedKeys&) = delete;
  ReservedKeys& operator=(const ReservedKeys&) = delete;
  ReservedKeys(ReservedKeys&&) = delete;
  ReservedKeys& operator=(ReservedKeys&&) = delete;

  [[nodiscard]] int reserved() const { return reserved_; }

 private:
  HWND window_;
  int reserved_ = 0;  // bit i: key i of the list is reserved
};

}  // namespace scrivlet
