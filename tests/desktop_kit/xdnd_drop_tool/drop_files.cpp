// Drops files onto whatever window lies under a screen point, as a file
// manager does (XDND), and writes what became of the drop to a file:
//
//   scrivlet_xdnd_drop X Y RESULT_FILE PATH...
//
// RESULT_FILE receives one word (accepted, refused, not-finished) or
// "error: ..." and appears whole, once the drop is over. Wine starts Unix
// programs for Windows ones but cannot hand back their exit status, so the
// Windows tests under Wine read this file instead.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "x_windows.h"
#include "xdnd_drop.h"

namespace {

using scrivlet::ScreenPoint;

// The innermost window at `at` that takes part in XDND, or None: a managed
// window's XdndAware sits on the client inside the window manager's frame.
Window FindAwareWindowAt(Display* display, ScreenPoint at) {
  const Window root = DefaultRootWindow(display);
  const Atom aware = XInternAtom(display, "XdndAware", False);
  Window window = root;
  Window found = None;
  for (;;) {
    if (window != root &&
        !scrivlet::testing::LongsProperty(display, window, aware, XA_ATOM, 1)
             .empty()) {
      found = window;
    }
    int x = 0;
    int y = 0;
    Window child = None;
    if (XTranslateCoordinates(display, root, window, at.x, at.y, &x, &y,
                              &child) == False ||
        child == None) {
      break;
    }
    window = child;
  }
  return found;
}

// Waits a little for the window: one its program has just shown may not be
// on the X screen yet (Wine maps its windows after the Windows side shows
// them).
Window AwareWindowAt(Display* display, ScreenPoint at) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (const Window found = FindAwareWindowAt(display, at); found != None) {
      return found;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  throw std::runtime_error("no window that accepts drops at " +
                           std::to_string(at.x) + "," + std::to_string(at.y));
}

// "file:///..." for a local path, percent-encoding all but the characters
// a path may show as they are.
std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
        (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4U];
      uri += kHex[byte & 0xFU];
    }
  }
  return uri;
}

// Written beside the result and renamed over it: a reader never sees half.
void WriteResult(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  std::ofstream(partial) << text << '\n';
  std::rename(partial.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fputs("usage: scrivlet_xdnd_drop X Y RESULT_FILE PATH...\n", stderr);
    return 2;
  }
  const std::string result_file = argv[3];
  try {
    const ScreenPoint at{std::stoi(argv[1]), std::stoi(argv[2])};
    std::vector<std::string> uris;
    for (int index = 4; index < argc; ++index) {
      uris.push_back(FileUri(argv[index]));
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
      throw std::runtime_error("cannot open the X display");
    }
    std::string word;
    try {
      word = scrivlet::testing::DropUris(display, AwareWindowAt(display, at),
                                         at, uris)
                 ? "accepted"
                 : "refused";
    } catch (...) {
      XCloseDisplay(display);
      throw;
    }
    XCloseDisplay(display);
    WriteResult(result_file, word);
    return word == "accepted" ? 0 : 1;
  } catch (const std::exception& error) {
    WriteResult(result_file, std::string("error: ") + error.what());
    std::fprintf(stderr, "scrivlet_xdnd_drop: %s\n", error.what());
    return 2;
  }
}
