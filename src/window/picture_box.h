#pragma once

// Picture1: a white box with a sunken border that shows a picture from its
// top-left corner, accepts dropped files, and keeps a persistent image of
// what it shows for the plotters to read.

#include <QFrame>
#include <QImage>
#include <QSize>

#include "engine/picture_view.h"

class QMimeData;

namespace scrivlet {

class PictureBox : public QFrame, public PictureView {
  Q_OBJECT

 public:
  // `inner_size` is the box's stored inner area in pixels; it only grows
  // beyond that for a larger picture.
  PictureBox(QSize inner_size, QWidget* parent);

  // Replaces the picture as a whole.
  void SetPicture(const QImage& picture);

  // What the box shows, composited over its white background.
  [[nodiscard]] const QImage& shown() const { return shown_; }

  [[nodiscard]] double ScaleWidth() const override;
  [[nodiscard]] double ScaleHeight() const override;
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override;

 signals:
  void dropped(const QMimeData* data);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QSize stored_inner_size_;
  QImage shown_;
};

}  // namespace scrivlet
