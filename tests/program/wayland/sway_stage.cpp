#include "sway_stage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

#include "absolute_aim.h"
#include "dot_pattern.h"
#include "platform/desktop_backends.h"
#include "poll_for.h"
#include "wayland_session.h"
#include "window/core/form1_layout.h"
#include "window_places.h"

namespace scrivlet::testing {
namespace {

using std::chrono::milliseconds;

// The paint program's settings: a one-pixel black pencil without
// antialiasing, no first-run dialog, and the transparent cursor for its
// own pointer images.
constexpr const char* kDrawingSettings = R"([com/github/maoschanz/drawing]
last-active-tool='pencil'
last-version='1.0.2'
default-width=600
default-height=400

[com/github/maoschanz/drawing/tools-options]
last-size=1
use-antialiasing=false
last-left-rgba=['0.0', '0.0', '0.0', '1.0']

[org/gnome/desktop/interface]
cursor-theme='scrivlet-transparent'
)";

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

std::string ReachableExecutable(const std::string& path,
                                const std::string& config_dir) {
  if (RunToEnd(AsSessionUser({"test", "-x", path})).exit_code == 0) {
    return path;
  }
  std::string copy = config_dir + "/scrivlet";
  std::filesystem::copy_file(path, copy);
  return copy;
}

SwayStage::SwayStage(const std::string& scrivlet)
    : config_dir_(MakeTempDir("scrivlet-config")),
      mouse_(OpenWaylandDesktop()),
      // A keyboard on the seat all along, as on a real desktop: else there is
      // one only while wtype types, and a busy program asks for it too late.
      keyboard_({"wtype", "-s", "3600000"}, {{}, true, {}}) {
  std::filesystem::create_directories(config_dir_ + "/glib-2.0/settings");
  std::ofstream(config_dir_ + "/glib-2.0/settings/keyfile") << kDrawingSettings;
  executable_ = ReachableExecutable(scrivlet, config_dir_);
  GiveToSessionUser(config_dir_);

  paint_ = std::make_unique<ChildProcess>(
      AsSessionUser({"drawing"}),
      ChildOptions{{"GDK_BACKEND=wayland", "GSETTINGS_BACKEND=keyfile",
                    "HOME=" + config_dir_, "XDG_CONFIG_HOME=" + config_dir_,
                    "NO_AT_BRIDGE=1"},
                   true,
                   {}});
  std::optional<SwayWindow> paint;
  if (!PollFor(
          [&] {
            paint = FindSwayWindow("com.github.maoschanz.drawing");
            return paint &&
                   RunToEnd({"swaymsg", "-t", "get_inputs"})
                           .output.find("keyboard") != std::string::npos;
          },
          milliseconds(20000), milliseconds(100))) {
    throw std::runtime_error("drawing's window or wtype's keyboard is missing");
  }
  scrivlet_ = std::make_unique<ChildProcess>(
      AsSessionUser({executable_}),
      ChildOptions{{"HOME=" + config_dir_, "QT_QPA_PLATFORM=wayland",
                    "QT_WAYLAND_DISABLE_WINDOWDECORATION=1"},
                   true,
                   {}});
  std::optional<SwayWindow> window;
  if (!PollFor(
          [&] {
            window = FindSwayWindow("scrivlet");
            if (window && window->origin.x != 700) {
              // Beside the canvas, and above it: floating windows stay over
              // tiled ones.
              Swaymsg(
                  "[app_id=\"scrivlet\"] floating enable, move position 700 "
                  "480");
              return false;
            }
            return window && Scrivlet({"--abort"}).exit_code == 0;
          },
          milliseconds(20000), milliseconds(100))) {
    throw std::runtime_error("scrivlet's window did not appear");
  }
  window_ = *window;
  // The canvas: the white area around a point well inside it, once the
  // paint program has settled its layout (its tool bar reflows once).
  const ScreenPoint seed{paint->origin.x + 300, paint->origin.y + 200};
  ScreenRect before;
  if (!PollFor(
          [&] {
            const ScreenRect now =
                UniformAreaAround(Capture({0, 0, 1280, 1024}), seed);
            const bool settled = now == before;
            before = now;
            canvas_ = now;
            return settled && now.width >= 500 && now.height >= 300 &&
                   Capture({seed.x, seed.y, 1, 1}).At(seed) == 0xFFFFFFU;
          },
          milliseconds(20000), milliseconds(300))) {
    throw std::runtime_error("drawing's canvas did not show");
  }
  mark_ = std::make_unique<InputMark>(
      window_.origin, window_.size.x, [this](ScreenPoint at) { Click(at); },
      [this](ScreenRect area) { return Capture(area); });
}

SwayStage::~SwayStage() {
  scrivlet_.reset();
  paint_.reset();
  mouse_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(config_dir_, ignored);
}

Finished SwayStage::Scrivlet(std::vector<std::string> arguments) const {
  arguments.insert(arguments.begin(), executable_);
  return RunToEnd(AsSessionUser(std::move(arguments)));
}

void SwayStage::MoveTo(ScreenPoint to) const {
  testing::MoveTo(*mouse_, to);
  mouse_->Flush();
}

void SwayStage::Click(ScreenPoint at) const {
  MoveTo(at);
  mouse_->mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0);
  mouse_->mouse_event(MOUSEEVENTF_LEFTUP, 0, 0);
  mouse_->Flush();
}

void SwayStage::ClickSetting(const TwipRect& place) const {
  Click(TabCentre(window_.origin, window_.size.x, 1));
  Click(
      ControlCentre(window_.origin, {layout::kSSTab1, layout::kFrame1, place}));
}

std::string SwayStage::Caption() const {
  const auto window = FindSwayWindow("scrivlet");
  return window ? window->title : "";
}

ScreenImage SwayStage::Capture(ScreenRect rect) const {
  return mouse_->CaptureScreenRegion(rect);
}

}  // namespace scrivlet::testing
