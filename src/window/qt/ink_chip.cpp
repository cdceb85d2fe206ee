#include "window/qt/ink_chip.h"

#include <QFontMetrics>
#include <QPainter>

namespace scrivlet {

void InkChip::SetColour(std::optional<COLORREF> colour) {
  colour_ = colour;
  setVisible(colour.has_value());
  update();
}

QSize InkChip::sizeHint() const {
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(text()) + 8, metrics.height() + 8};
}

void InkChip::paintEvent(QPaintEvent* /*event*/) {
  if (!colour_) {
    return;
  }
  const int red = static_cast<int>(*colour_ & 0xFFU);
  const int green = static_cast<int>((*colour_ >> 8U) & 0xFFU);
  const int blue = static_cast<int>((*colour_ >> 16U) & 0xFFU);
  QPainter painter(this);
  const QRect area = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(area, QColor(red, green, blue));
  // A frame, so that an ink of the page's own colour still shows; thicker
  // while the chip has the focus.
  painter.setPen(QPen(Qt::darkGray, hasFocus() ? 2 : 1));
  painter.drawRect(area);
  painter.setPen((red + green + blue) / 3 < 128 ? Qt::white : Qt::black);
  painter.drawText(area, Qt::AlignCenter, text());
}

}  // namespace scrivlet
