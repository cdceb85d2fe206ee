#include "window/picture_box.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

#include "window/form1_layout.h"

namespace scrivlet {

PictureBox::PictureBox(QSize inner_size, QWidget* parent)
    : QFrame(parent), stored_inner_size_(inner_size) {
  // The classic 3D sunken edge, two pixels on every side.
  setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  setLineWidth(layout::kPictureBorderPixels);
  setAcceptDrops(true);
  setFocusPolicy(Qt::StrongFocus);
  SetPicture(QImage());
}

void PictureBox::SetPicture(const QImage& picture) {
  const QSize inner = stored_inner_size_.expandedTo(picture.size());
  QImage shown(inner, QImage::Format_RGB32);
  shown.fill(Qt::white);
  if (!picture.isNull()) {
    QPainter painter(&shown);
    painter.drawImage(0, 0, picture);
  }
  shown_ = std::move(shown);
  const int border = 2 * frameWidth();
  resize(inner.width() + border, inner.height() + border);
  update();
}

double PictureBox::ScaleWidth() const { return shown_.width(); }

double PictureBox::ScaleHeight() const { return shown_.height(); }

COLORREF PictureBox::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= shown_.width() || y >= shown_.height()) {
    return kInvalidColour;
  }
  const QRgb rgb = shown_.pixel(x, y);
  return static_cast<COLORREF>(qRed(rgb)) |
         static_cast<COLORREF>(qGreen(rgb)) << 8U |
         static_cast<COLORREF>(qBlue(rgb)) << 16U;
}

void PictureBox::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), shown_);
  }
  QFrame::paintEvent(event);
}

void PictureBox::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  }
}

void PictureBox::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls()) {
    event->acceptProposedAction();
  }
}

void PictureBox::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  emit dropped(event->mimeData());
}

}  // namespace scrivlet
