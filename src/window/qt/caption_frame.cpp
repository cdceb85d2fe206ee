#include "window/qt/caption_frame.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

namespace scrivlet {

CaptionFrame::CaptionFrame(const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
  setAccessibleName(caption);
}

void CaptionFrame::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  // The edge runs through the middle of the caption's line.
  const int edge_top = metrics.height() / 2;
  const QRect edge = rect().adjusted(0, edge_top, -2, -2);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(edge);
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(edge.translated(1, 1));

  constexpr int kCaptionLeft = 7;
  constexpr int kCaptionPadding = 2;
  const QRect caption(kCaptionLeft, 0,
                      metrics.horizontalAdvance(caption_) + 2 * kCaptionPadding,
                      metrics.height());
  painter.fillRect(caption, palette().color(backgroundRole()));
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(caption, Qt::AlignCenter, caption_);
}

}  // namespace scrivlet
