#pragma once

// A check box that can show the grayed value 2. The program may set it
// grayed; a click by the user only ever turns it on (from clear) or off (from
// checked or grayed), as a two-state box does.

#include <QCheckBox>

namespace scrivlet {

class GrayableCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
  }
};

}  // namespace scrivlet
