#pragma once

// Picture1 on Qt: a white box with a sunken border that shows the core's
// picture from its top-left corner and passes drags and drops to a handler.

#include <QFrame>
#include <QImage>
#include <functional>

class QDropEvent;
class QMimeData;

namespace scrivlet {

class PictureBox : public QFrame {
  Q_OBJECT

 public:
  // Asked on every drag move and on the drop; true accepts it as a copy.
  using DropHandler = std::function<bool(const QMimeData& data,
                                         bool copy_offered, bool dropped)>;

  explicit PictureBox(QWidget* parent);

  void SetDropHandler(DropHandler handler) { handler_ = std::move(handler); }
  // Called on a double click with the left button.
  void SetDoubleClickHandler(std::function<void()> handler) {
    double_click_ = std::move(handler);
  }

  // Shows `shown` (opaque) and sizes the box to it plus the border.
  void SetPicture(const QImage& shown);
  [[nodiscard]] const QImage& shown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Answer(QDropEvent* event, bool dropped);

  DropHandler handler_;
  std::function<void()> double_click_;
  QImage shown_;
};

}  // namespace scrivlet
