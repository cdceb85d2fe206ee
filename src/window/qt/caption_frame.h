#pragma once

// Frame1: an etched frame whose caption sits in its top edge, so that its
// contents are placed from the frame's own top-left corner with the caption
// inside that area.

#include <QString>
#include <QWidget>

namespace scrivlet {

class CaptionFrame : public QWidget {
  Q_OBJECT

 public:
  CaptionFrame(const QString& caption, QWidget* parent);
  [[nodiscard]] const QString& caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

}  // namespace scrivlet
