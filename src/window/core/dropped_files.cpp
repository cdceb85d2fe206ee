#include "window/core/dropped_files.h"

#include <cstddef>

namespace scrivlet {
namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    if (lower != prefix[i]) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' ||
                           text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::optional<std::string> LocalPathOfUri(std::string_view uri) {
  uri = Trimmed(uri);
  if (!StartsWithNoCase(uri, "file:")) {
    return std::nullopt;
  }
  std::string_view rest = uri.substr(5);
  if (rest.starts_with("//")) {
    // file://host/path: only this machine's files are local.
    rest.remove_prefix(2);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    const bool this_machine =
        host.empty() ||
        (host.size() == 9 && StartsWithNoCase(host, "localhost"));
    if (!this_machine) return std::nullopt;
    rest.remove_prefix(slash);
  }
  if (!rest.starts_with('/')) return std::nullopt;
  // A query or fragment is not part of the name; a literal '?' or '#' in a
  // file name arrives escaped.
  rest = rest.substr(0, rest.find_first_of("?#"));

  std::string path;
  path.reserve(rest.size());
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '%') {
      path += rest[i];
      continue;
    }
    if (i + 2 >= rest.size()) return std::nullopt;
    const auto high = HexDigit(rest[i + 1]);
    const auto low = HexDigit(rest[i + 2]);
    if (!high || !low) return std::nullopt;
    // Raw bytes: a Unix file name need not be valid UTF-8.
    path += static_cast<char>(*high * 16 + *low);
    i += 2;
  }
  if (path.find('\0') != std::string::npos) return std::nullopt;
#ifdef _WIN32
  // file:///C:/dir/name -> C:\dir\name
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') {
    path.erase(0, 1);
  }
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

std::optional<std::string> FirstLocalFile(const DroppedItems& items) {
  for (const std::string& path : items.paths) {
    if (!path.empty()) return path;
  }
  for (const std::string& uri : items.uris) {
    if (auto path = LocalPathOfUri(uri)) return path;
  }
  return std::nullopt;
}

}  // namespace scrivlet
