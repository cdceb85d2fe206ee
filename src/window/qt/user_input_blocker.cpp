#include "window/qt/user_input_blocker.h"

#include <QCoreApplication>
#include <QEvent>

namespace scrivlet {
namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

void UserInputBlocker::Engage() {
  if (!engaged_) {
    QCoreApplication::instance()->installEventFilter(this);
    engaged_ = true;
  }
}

void UserInputBlocker::Release() {
  if (engaged_) {
    QCoreApplication::instance()->removeEventFilter(this);
    engaged_ = false;
  }
}

bool UserInputBlocker::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::DragEnter || type == QEvent::DragMove ||
      type == QEvent::Drop) {
    // Refused, not swallowed: the source must not think the drop was taken.
    event->ignore();
    return true;
  }
  if (IsUserInput(type)) {
    event->accept();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace scrivlet
