#include "window/core/usage_text.h"

#include <cstddef>

namespace scrivlet {

std::string UsageText() {
  std::string text;
  for (std::size_t i = 0; i < kUsageLines.size(); ++i) {
    if (i > 0) {
      text += "\r\n";
    }
    text += kUsageLines[i];
  }
  return text;
}

}  // namespace scrivlet
