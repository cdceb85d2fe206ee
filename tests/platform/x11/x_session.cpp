#include "x_session.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

namespace scrivlet::testing {

void UseTestXSession() {
  const char* state_file = std::getenv("SCRIVLET_XSESSION");
  if (state_file == nullptr || *state_file == '\0') {
    return;
  }
  std::ifstream in(state_file);
  const std::string prefix = "DISPLAY=";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) {
      setenv("DISPLAY", line.substr(prefix.size()).c_str(), 1);
      return;
    }
  }
  throw std::runtime_error(std::string("No DISPLAY in the X session file ") +
                           state_file +
                           " (did the xsession_start fixture run?)");
}

}  // namespace scrivlet::testing
