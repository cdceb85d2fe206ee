#include "session/win32/reserved_keys.h"

#include <array>

namespace scrivlet {
namespace {

constexpr std::array<int, 2> kKeys{VK_F7, VK_F8};

}  // namespace

ReservedKeys::ReservedKeys(HWND window) : window_(window) {
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    // No modifiers: the bare key, in every lock state (Windows ignores Caps
    // Lock and Num Lock for hot keys).
    if (::RegisterHotKey(window_, static_cast<int>(i) + 1, MOD_NOREPEAT,
                         static_cast<UINT>(kKeys[i])) != FALSE) {
      reserved_ |= 1 << i;
    }
  }
}

ReservedKeys::~ReservedKeys() {
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    if ((reserved_ & (1 << i)) != 0) {
      ::UnregisterHotKey(window_, static_cast<int>(i) + 1);
    }
  }
}

}  // namespace scrivlet
