#pragma once

// Points the test process at the virtual desktop that the ctest fixture
// started (scripts/xsession.sh writes DISPLAY to the file named by
// SCRIVLET_XSESSION). Without that variable the current DISPLAY is used.

namespace scrivlet::testing {

// Sets DISPLAY from the session file; throws std::runtime_error if the
// variable names a file without a DISPLAY line.
void UseTestXSession();

}  // namespace scrivlet::testing
