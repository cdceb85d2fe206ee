#pragma once

// Points the test process at the compositor that the ctest fixture started
// (scripts/waylandsession.sh writes its socket to the file named by
// SCRIVLET_WAYLANDSESSION), and starts private ones for tests that kill
// theirs.

#include <string>
#include <vector>

namespace scrivlet::testing {

// Sets WAYLAND_DISPLAY, SWAYSOCK, XDG_RUNTIME_DIR (the compositor's), the
// session bus where the file names one (KWin's) and
// the cursor theme from a session file and unsets DISPLAY, so that nothing
// falls back to X11 unseen. Throws std::runtime_error when the file names
// no compositor.
void UseWaylandSession(const std::string& state_file);

// `command` run as the user the compositor runs as (through setpriv when
// the tests run as root), so that it shares the compositor's runtime
// directory as in a real session.
std::vector<std::string> AsSessionUser(std::vector<std::string> command);
// Hands a file or directory made by the test to that user.
void GiveToSessionUser(const std::string& path);

// The state file of the fixture's session (SCRIVLET_WAYLANDSESSION).
std::string FixtureSessionFile();

// Runs a sway command; throws std::runtime_error if sway refuses it.
void Swaymsg(const std::string& command);

// A new directory in the temporary one, named `name` and a random suffix.
std::string MakeTempDir(const std::string& name);

// A compositor of the test's own, started and stopped by the script.
class PrivateSway {
 public:
  PrivateSway();
  PrivateSway(const PrivateSway&) = delete;
  PrivateSway& operator=(const PrivateSway&) = delete;
  PrivateSway(PrivateSway&&) = delete;
  PrivateSway& operator=(PrivateSway&&) = delete;
  ~PrivateSway();

  [[nodiscard]] const std::string& StateFile() const { return state_file_; }
  // Kills the compositor at once, as a crash would.
  void Kill() const;

 private:
  std::string dir_;
  std::string state_file_;
};

}  // namespace scrivlet::testing
