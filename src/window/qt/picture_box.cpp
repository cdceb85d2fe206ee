#include "window/qt/picture_box.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "window/core/form1_layout.h"

namespace scrivlet {

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
  // The classic 3D sunken edge, two pixels on every side.
  setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  setLineWidth(layout::kPictureBorderPixels);
  setAcceptDrops(true);
  setFocusPolicy(Qt::StrongFocus);
}

void PictureBox::SetPicture(const QImage& shown) {
  shown_ = shown;
  const int border = 2 * frameWidth();
  resize(shown_.width() + border, shown_.height() + border);
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), shown_);
  }
  QFrame::paintEvent(event);
}

void PictureBox::Answer(QDropEvent* event, bool dropped) {
  const bool copy_offered = event->possibleActions().testFlag(Qt::CopyAction);
  if (handler_ && handler_(*event->mimeData(), copy_offered, dropped)) {
    // Never the proposed action: a "move" lets the source delete the file.
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void PictureBox::dragEnterEvent(QDragEnterEvent* event) {
  Answer(event, false);
}

void PictureBox::dragMoveEvent(QDragMoveEvent* event) { Answer(event, false); }

void PictureBox::dropEvent(QDropEvent* event) { Answer(event, true); }

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && double_click_) {
    double_click_();
    return;
  }
  QFrame::mouseDoubleClickEvent(event);
}

}  // namespace scrivlet
