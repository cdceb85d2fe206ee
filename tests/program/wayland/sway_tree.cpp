#include "sway_tree.h"

#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <cstdio>
#include <stdexcept>

namespace scrivlet::testing {
namespace {

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

std::optional<SwayWindow> FindIn(const QJsonObject& node, const QString& id) {
  if (node.value("app_id").toString() == id) {
    const QJsonObject rect = node.value("rect").toObject();
    return SwayWindow{
        node.value("name").toString().toStdString(),
        {rect.value("x").toInt(), rect.value("y").toInt()},
        {rect.value("width").toInt(), rect.value("height").toInt()}};
  }
  for (const char* list : {"nodes", "floating_nodes"}) {
    for (const QJsonValue child : node.value(list).toArray()) {
      if (auto found = FindIn(child.toObject(), id)) {
        return found;
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<SwayWindow> FindSwayWindow(const std::string& app_id) {
  const Finished tree = RunCapturing({"swaymsg", "-r", "-t", "get_tree"});
  if (tree.exit_code != 0) {
    return std::nullopt;
  }
  return FindIn(
      QJsonDocument::fromJson(QByteArray::fromStdString(tree.output)).object(),
      QString::fromStdString(app_id));
}

void Swaymsg(const std::string& command) {
  const Finished done = RunCapturing({"swaymsg", command});
  if (done.exit_code != 0) {
    throw std::runtime_error("swaymsg " + command + ": " + done.output);
  }
}

Finished RunCapturing(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& word : command) {
    line += Quote(word) + " ";
  }
  line += "2>&1";
  FILE* pipe = popen(line.c_str(), "r");
  if (pipe == nullptr) {
    throw std::runtime_error("cannot run " + line);
  }
  Finished finished;
  std::array<char, 4096> chunk{};
  while (const std::size_t got = fread(chunk.data(), 1, chunk.size(), pipe)) {
    finished.output.append(chunk.data(), got);
  }
  const int status = pclose(pipe);
  finished.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
  return finished;
}

}  // namespace scrivlet::testing
