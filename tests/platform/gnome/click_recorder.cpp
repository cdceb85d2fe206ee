// A Wayland-native program for the tests on mutter: a full-screen white
// window that prints its pid, then "ready" once shown, then every button
// press and release with the pointer's position in its window, and paints
// a black pixel where each press was and a line along each move while the
// button is held, as a paint program does.

#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPoint>
#include <QVector>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

class Recorder final : public QWidget {
 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawPoints(dots_.data(), static_cast<int>(dots_.size()));
    if (!shown_) {
      shown_ = true;
      Say("ready");
    }
  }
  void mousePressEvent(QMouseEvent* event) override {
    Say("press", event);
    last_ = event->position().toPoint();
    dots_.push_back(last_);
    update();
  }
  // Qt reports moves only while a button is held.
  void mouseMoveEvent(QMouseEvent* event) override {
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
  bool shown_ = false;
  QVector<QPoint> dots_;
  QPoint last_;
};

}  // namespace

int main(int argc, char** argv) {
  std::printf("pid %d\n", static_cast<int>(getpid()));
  std::fflush(stdout);
  const QApplication app(argc, argv);
  Recorder recorder;
  recorder.showFullScreen();
  return QApplication::exec();
}
