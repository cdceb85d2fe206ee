// A Wayland-native program for the tests on every Wayland desktop: a
// full-screen window that prints "ready" once shown, then
// every button press and release with the pointer's position in its
// window, and paints a black pixel where each press was and a line along
// each move with the button held, as a paint program does. It is white, or with
// --pattern shows PatternAt.

#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPoint>
#include <QRasterWindow>
#include <QRect>
#include <QStringList>
#include <QVector>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "pattern_at.h"

namespace {

// A window rather than a widget: widgets get the pointer's position rounded
// to whole pixels, windows as the compositor sent it.
class Recorder final : public QRasterWindow {
 public:
  explicit Recorder(bool pattern) : pattern_(pattern) {}

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    if (!pattern_) {
      painter.fillRect(QRect(QPoint(), size()), Qt::white);
    } else {
      if (picture_.size() != size()) {
        picture_ = QImage(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y) {
          for (int x = 0; x < width(); ++x) {
            const std::uint32_t c = scrivlet::testing::PatternAt(x, y);
            picture_.setPixel(x, y,
                              qRgb(static_cast<int>(c & 0xFFU),
                                   static_cast<int>((c >> 8U) & 0xFFU),
                                   static_cast<int>(c >> 16U)));
          }
        }
      }
      painter.drawImage(0, 0, picture_);
    }
    painter.setPen(Qt::black);
    painter.drawPoints(dots_.data(), static_cast<int>(dots_.size()));
    if (!shown_) {
      shown_ = true;
      Say("ready");
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    Say("press", event);
    last_ = event->position().toPoint();  // rounded, as Qt does
    dots_.push_back(last_);
    update();
  }
  // A window hears every move, held or not; only held ones draw.
  void mouseMoveEvent(QMouseEvent* event) override {
    if (!event->buttons().testFlag(Qt::LeftButton)) {
      return;
    }
    const QPoint to = event->position().toPoint();
    const int steps =
        std::max(std::abs(to.x() - last_.x()), std::abs(to.y() - last_.y()));
    for (int i = 1; i <= steps; ++i) {
      dots_.push_back(last_ + (to - last_) * i / steps);
    }
    last_ = to;
    update();
  }
  void mouseReleaseEvent(QMouseEvent* event) override { Say("release", event); }

 private:
  static void Say(const char* what, const QMouseEvent* event = nullptr) {
    if (event != nullptr) {
      std::printf("%s %g %g\n", what, event->position().x(),
                  event->position().y());
    } else {
      std::printf("%s\n", what);
    }
    std::fflush(stdout);
  }
  bool pattern_;
  bool shown_ = false;
  QImage picture_;
  QVector<QPoint> dots_;
  QPoint last_;
};

}  // namespace

int main(int argc, char** argv) {
  const QGuiApplication app(argc, argv);
  Recorder recorder(QGuiApplication::arguments().contains("--pattern"));
  recorder.showFullScreen();
  return QGuiApplication::exec();
}
