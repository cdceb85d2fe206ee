// Runs the window tests inside one QApplication on Qt's offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>

#include "window/qt/fonts.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // ctest sets this too; listing the tests must work without a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  scrivlet::InstallJapaneseFonts();
  return RUN_ALL_TESTS();
}
