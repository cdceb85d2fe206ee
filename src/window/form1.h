#pragma once

// Form1, the one main window: the tab control with the main page (usage
// text, picture box) and the settings page, the drawing settings, and the
// timer that polls F7.

#include <QString>
#include <QUrl>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "engine/draw_settings.h"
#include "engine/draw_trigger.h"
#include "platform/platform_input.h"
#include "window/twips.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace scrivlet {

class CaptionFrame;
class PictureBox;
class TabControl;
class UserInputBlocker;

// What the window does to the world beyond the desktop contract, replaceable
// in tests.
struct Form1Hooks {
  // Opens an address in the desktop's browser; false if it could not.
  std::function<bool(const QUrl&)> open_url;
  // Tells the user about a problem without blocking anything.
  std::function<void(const QString&)> report_problem;
};

class Form1 : public QWidget, public DrawHost {
  Q_OBJECT

 public:
  // Controls are reachable by their names (objectName) for tests and
  // accessibility. Hooks left empty get the desktop's own behaviour.
  explicit Form1(PlatformInput& desktop, Form1Hooks hooks = {});
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  Form1(Form1&&) = delete;
  Form1& operator=(Form1&&) = delete;

  [[nodiscard]] const DrawSettings& settings() const { return settings_; }
  [[nodiscard]] const PictureBox& picture() const { return *picture1_; }
  [[nodiscard]] bool drawing() const { return drawing_; }

  // The handlers, named after their control and event.
  void Form_Load();
  void Form_Resize();
  void Text1_Change();
  void Text2_Change();
  void Text4_Change();
  void Option1_Click(std::int16_t index);
  void Check1_Click();
  void Check2_Click();
  void Picture1_OLEDragDrop(const QMimeData& dropped);
  void Command1_Click();
  void Timer1_Timer();

  // DrawHost
  [[nodiscard]] CoordinateMode SelectedMode() const override;
  void SetTimerEnabled(bool enabled) override;
  void ReportProblem(const std::string& message) override;
  void ColumnDone(int columns_done, int columns_total) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildMainPage(QWidget* page);
  void BuildSettingsPage(QWidget* page);
  void SetFocusOrder();
  void Place(QWidget* widget, TwipRect rect) const;
  void Report(const QString& message) const;
  void BeginDrawing();
  void EndDrawing();
  static void StoreConverted(const QLineEdit* box, std::int16_t& field);

  PlatformInput& desktop_;
  Form1Hooks hooks_;
  DrawSettings settings_;
  double dpi_x_;
  double dpi_y_;

  TabControl* sstab1_ = nullptr;
  QPlainTextEdit* text3_ = nullptr;
  QLabel* label5_ = nullptr;
  PictureBox* picture1_ = nullptr;
  CaptionFrame* frame1_ = nullptr;
  QPushButton* command1_ = nullptr;
  QLabel* label6_ = nullptr;
  QLabel* label3_ = nullptr;
  std::array<QRadioButton*, 2> option1_{};
  QCheckBox* check1_ = nullptr;
  QCheckBox* check2_ = nullptr;
  QLabel* label1_ = nullptr;
  QLabel* label2_ = nullptr;
  QLabel* label4_ = nullptr;
  QLineEdit* text1_ = nullptr;
  QLineEdit* text2_ = nullptr;
  QLineEdit* text4_ = nullptr;
  QTimer* timer1_ = nullptr;

  UserInputBlocker* input_blocker_ = nullptr;
  bool drawing_ = false;
  int shown_percent_ = -1;
  bool key_state_failed_ = false;
};

// The check box value: 0 clear, 1 checked, 2 grayed.
int CheckValue(const QCheckBox& box);

}  // namespace scrivlet
