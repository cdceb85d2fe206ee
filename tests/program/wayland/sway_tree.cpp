#include "sway_tree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "child_process.h"

namespace scrivlet::testing {
namespace {

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
  const Finished tree = RunToEnd({"swaymsg", "-r", "-t", "get_tree"});
  if (tree.exit_code != 0) {
    return std::nullopt;
  }
  return FindIn(
      QJsonDocument::fromJson(QByteArray::fromStdString(tree.output)).object(),
      QString::fromStdString(app_id));
}

}  // namespace scrivlet::testing
