#pragma once

// Ending the program from outside (Ctrl+C, kill, a closed terminal) without
// leaving the mouse button down: SIGTERM, SIGINT and SIGHUP stop a drawing
// in progress before its next dot, as F8 does, then quit the event loop.

class QCoreApplication;

namespace scrivlet {

// Installs the handlers; the event loop then returns 128 + the signal's
// number. Call once the application object exists. On Windows, which has no
// such signals for a windowed program, it does nothing.
void HandleTerminationSignals(QCoreApplication& app);

}  // namespace scrivlet
