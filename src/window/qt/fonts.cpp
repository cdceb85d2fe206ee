#include "window/qt/fonts.h"

#include <QApplication>
#include <QString>

namespace scrivlet {

void InstallJapaneseFonts() {
  const QString stand_in = QString::fromUtf8(kStandInFontFamily);
  QFont::insertSubstitution(QString::fromUtf8(kControlFontFamily), stand_in);
  QFont::insertSubstitution(QString::fromUtf8(kUiFontFamily), stand_in);
  // The size of the option buttons' own font, so that every label fits its
  // stored width with the stand-in's wider digits.
  constexpr double kUiPointSize = 8.25;
  QFont ui_font(QString::fromUtf8(kUiFontFamily));
  ui_font.setPointSizeF(kUiPointSize);
  QApplication::setFont(ui_font);
}

QFont ControlFont(double point_size) {
  QFont font(QString::fromUtf8(kControlFontFamily));
  font.setPointSizeF(point_size);
  font.setWeight(QFont::Normal);
  return font;
}

}  // namespace scrivlet
