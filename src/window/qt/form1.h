#pragma once

// Form1 on Qt: builds the controls of controls.h at their stored places and
// forwards every event to the toolkit-free behaviour (Form1Core), which
// drives it back through Form1View.

#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "window/core/form1_core.h"
#include "window/core/form1_view.h"
#include "window/core/twips.h"
#include "window/qt/qt_picture_decoder.h"

class QMessageBox;
class QMimeData;
class QTimer;

namespace scrivlet {

class PictureBox;
class TabControl;
class UserInputBlocker;

// What the window does beyond the desktop contract, replaceable in tests.
struct Form1Hooks {
  // Opens an address in the desktop's browser; false if it could not.
  std::function<bool(const QUrl&)> open_url;
  // Asks for a picture file; an empty name if the user cancels.
  std::function<QString(QWidget* parent)> open_file;
};

class Form1 : public QWidget, public Form1View {
  Q_OBJECT

 public:
  // Controls are reachable by their names (objectName) for tests and
  // accessibility. A hook left empty gets the desktop's own behaviour.
  explicit Form1(PlatformInput& desktop, Form1Hooks hooks = {});
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  Form1(Form1&&) = delete;
  Form1& operator=(Form1&&) = delete;

  [[nodiscard]] Form1Core& core() { return *core_; }

  // Form1View
  [[nodiscard]] std::string GetText(Control control) const override;
  void SetText(Control control, std::string_view text) override;
  [[nodiscard]] CheckValue GetCheck(Control control) const override;
  [[nodiscard]] int SelectedOption() const override;
  void SetCaption(std::string_view text) override;
  void ShowMessage(std::string_view text) override;
  void SetUserInputEnabled(bool enabled) override;
  void SetTimerEnabled(bool enabled) override;
  [[nodiscard]] PixelSize InnerSize() const override;
  [[nodiscard]] Dpi LogicalDpi() const override;
  void SetTabGeometry(PixelRect rect) override;
  [[nodiscard]] NativeWindow NativeHandle() const override;
  bool OpenUrl(const std::string& url) override;
  void ProcessPendingPaint() override;
  void ShowPicture(const Picture& shown) override;
  void SetEnabled(Control control, bool enabled) override;
  void ShowInkChip(Control chip, std::optional<COLORREF> colour) override;
  [[nodiscard]] PastedData ReadClipboard() override;
  [[nodiscard]] std::optional<std::string> AskForPictureFile() override;
  void Close() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* Create(Control control);
  void BuildControls();
  void Connect();
  // A slot that calls a core handler while the core exists.
  std::function<void()> Forward(void (Form1Core::*handler)());
  // Reports a newly selected button of `group` by its index.
  void ConnectOptions(std::span<const Control> group);
  void SetFocusOrder();
  [[nodiscard]] QWidget* Widget(Control control) const;
  bool Dropped(const QMimeData& mime, bool copy_offered, bool dropped);

  Form1Hooks hooks_;
  double dpi_x_;
  double dpi_y_;
  std::array<QWidget*, kControls.size()> controls_{};
  TabControl* sstab1_ = nullptr;
  PictureBox* picture1_ = nullptr;
  QTimer* timer1_ = nullptr;
  UserInputBlocker* input_blocker_ = nullptr;
  QPointer<QMessageBox> message_box_;
  QtPictureDecoder decoder_;
  std::unique_ptr<Form1Core> core_;
};

}  // namespace scrivlet
