#include "x_windows.h"

#include <stdexcept>

#include "child_process.h"

namespace scrivlet::testing {
namespace {

// One property read; `read` sees the items only when the format matches.
template <typename Read>
void ReadProperty(Display* display, Window window, Atom property, Atom type,
                  long max_items, int format_wanted, Read read) {
  Atom actual_type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, max_items, False, type,
                         &actual_type, &format, &count, &remaining,
                         &data) == Success &&
      data != nullptr && format == format_wanted) {
    read(data, count);
  }
  if (data != nullptr) {
    XFree(data);
  }
}

}  // namespace

std::vector<long> LongsProperty(Display* display, Window window, Atom property,
                                Atom type, long max_items) {
  std::vector<long> items;
  ReadProperty(display, window, property, type, max_items, 32,
               [&](const unsigned char* data, unsigned long count) {
                 // Xlib hands 32-bit items over as longs.
                 const auto* longs = reinterpret_cast<const long*>(data);
                 items.assign(longs, longs + count);
               });
  return items;
}

std::string TextProperty(Display* display, Window window, Atom property) {
  std::string text;
  ReadProperty(display, window, property, AnyPropertyType, 1024, 8,
               [&](const unsigned char* data, unsigned long count) {
                 text.assign(reinterpret_cast<const char*>(data), count);
               });
  return text;
}

std::vector<Window> FindWindows(const std::vector<std::string>& search) {
  std::vector<std::string> arguments{"search", "--onlyvisible"};
  arguments.insert(arguments.end(), search.begin(), search.end());
  std::vector<Window> windows;
  try {
    for (const std::string& id : Xdotool(arguments)) {
      windows.push_back(std::stoul(id));
    }
  } catch (const std::runtime_error&) {
    // xdotool's search fails while nothing matches.
  }
  return windows;
}

ScreenPoint RootPosition(Display* display, Window window) {
  int x = 0;
  int y = 0;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x,
                        &y, &child);
  return {x, y};
}

bool LeftButtonDown(Display* display) {
  Window root = 0;
  Window child = 0;
  int x = 0;
  unsigned int buttons = 0;
  XQueryPointer(display, DefaultRootWindow(display), &root, &child, &x, &x, &x,
                &x, &buttons);
  return (buttons & Button1Mask) != 0;
}

}  // namespace scrivlet::testing
