#pragma once

// Swallows the user's mouse, keyboard and input-method input to the whole
// application while it is installed, and refuses drags and drops, so that
// nothing the user does reaches the window while a drawing runs. Everything
// else (paint, the window manager's close request) still arrives.

#include <QObject>

namespace scrivlet {

class UserInputBlocker : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Installs on the application until Release() or destruction.
  void Engage();
  void Release();
  [[nodiscard]] bool engaged() const { return engaged_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool engaged_ = false;
};

}  // namespace scrivlet
