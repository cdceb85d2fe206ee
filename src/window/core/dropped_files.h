#pragma once

// Which local file a drop names, from what the desktop hands over.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scrivlet {

// A drop as the front end receives it: the entries of a text/uri-list (X11
// and XDND, OLE's "UniformResourceLocator"), or plain local paths (Win32's
// CF_HDROP), or both.
struct DroppedItems {
  std::vector<std::string> uris;
  std::vector<std::string> paths;
};

// The local path a file: URI names, percent escapes decoded to raw bytes
// (a file name need not be UTF-8); nullopt for other schemes, remote hosts
// and malformed escapes.
std::optional<std::string> LocalPathOfUri(std::string_view uri);

// The first local file of a drop: the first plain path, else the first file:
// URI that names a local file, skipping web addresses before it.
std::optional<std::string> FirstLocalFile(const DroppedItems& items);

}  // namespace scrivlet
