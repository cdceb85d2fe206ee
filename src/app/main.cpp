// Scrivlet: redraws a picture as dots in another program by clicking for
// you. F7 draws at the pointer, F8 stops.

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <iostream>
#include <memory>
#include <string>

#include "app/display_check.h"
#include "app/draw_command.h"
#include "app/open_desktop.h"
#include "app/termination_signals.h"
#include "platform/desktop.h"
#include "session/command_input.h"
#include "session/drawing_lock.h"
#include "session/instance_claim.h"
#include "window/core/window_texts.h"
#include "window/qt/fonts.h"
#include "window/qt/form1.h"

int main(int argc, char** argv) {
  if (const auto drawn = scrivlet::RunIfDrawCommand(argc, argv)) return *drawn;
  auto claim = scrivlet::ClaimInstance(argc, argv);
  if (claim.exit_code) {
    return *claim.exit_code;
  }
  if (const std::string missing = scrivlet::MissingDisplay();
      !missing.empty()) {
    std::cerr << "scrivlet: " << scrivlet::texts::kNoDisplay << "\n(" << missing
              << ")\n";
    return 1;
  }
  QApplication app(argc, argv);
  scrivlet::HandleTerminationSignals(app);
  scrivlet::InstallJapaneseFonts();

  std::unique_ptr<scrivlet::PlatformInput> desktop;
  try {
    desktop =
        std::make_unique<scrivlet::DrawingLockDesktop>(scrivlet::OpenDesktop());
  } catch (const scrivlet::PlatformError& error) {
    const QString message = QString::fromUtf8(scrivlet::texts::kDesktopFailed) +
                            QLatin1Char('\n') +
                            QString::fromStdString(error.what());
    std::cerr << "scrivlet: " << message.toStdString() << '\n';
    QMessageBox::critical(nullptr, QString::fromUtf8(scrivlet::texts::kCaption),
                          message);
    return 1;
  }

  scrivlet::CommandInput input(std::move(desktop), std::move(claim.server));
  scrivlet::Form1 form(input);
  input.OnRaise(
      [&form] {
        form.showNormal();
        form.raise();
        form.activateWindow();
      },
      [&form] { return form.core().drawing(); },
      [&form] { return form.core().registering(); });
  form.show();
  return QApplication::exec();
}
