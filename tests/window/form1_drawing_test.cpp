// F7 on the window: the selected plotter runs on the picture box, the window
// shows progress and takes no input meanwhile, and problems are told.

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "form1_fixture.h"

namespace scrivlet::testing {
namespace {

const QString kCaption = QStringLiteral("Scrivlet - 手書き入力");

class Form1DrawingTest : public Form1Test {
 protected:
  // F7 pressed before the next tick, which then runs.
  void PressF7AndTick() {
    desktop_.ScriptKey(VK_F7, desktop_.key_queries(VK_F7),
                       kKeyDown | kKeyPressedSinceLastQuery);
    form().Timer1_Timer();
  }

  [[nodiscard]] std::size_t Count(std::uint32_t flag) const {
    return static_cast<std::size_t>(
        std::count_if(desktop_.events().begin(), desktop_.events().end(),
                      [flag](const MouseEventRecord& event) {
                        return (event.flags & flag) != 0;
                      }));
  }

  QTimer& Timer() const { return *Find<QTimer>("Timer1"); }
};

TEST_F(Form1DrawingTest, F7RunsThePlotterTheOptionNames) {
  EXPECT_TRUE(Timer().isActive());
  form().Timer1_Timer();
  EXPECT_EQ(desktop_.key_queries(VK_F7), 1U);
  EXPECT_TRUE(desktop_.events().empty());

  PressF7AndTick();
  const std::size_t clicks = Count(MOUSEEVENTF_LEFTDOWN);
  EXPECT_GT(clicks, 100U);
  EXPECT_TRUE(std::all_of(desktop_.events().begin(), desktop_.events().end(),
                          [](const MouseEventRecord& event) {
                            return (event.flags & MOUSEEVENTF_MOVE) == 0 ||
                                   (event.flags & MOUSEEVENTF_ABSOLUTE) != 0;
                          }));
  EXPECT_TRUE(Timer().isActive());
  EXPECT_TRUE(problems_.isEmpty());

  // Relative mode clicks the same dark samples (its limit is 200 as well)
  // with relative moves only.
  desktop_.ClearEvents();
  Find<QAbstractButton>("Option1_1")->click();
  Find<QLineEdit>("Text1")->setText(QStringLiteral("1"));
  PressF7AndTick();
  EXPECT_EQ(Count(MOUSEEVENTF_LEFTDOWN), clicks);
  EXPECT_EQ(Count(MOUSEEVENTF_ABSOLUTE), 0U);
  EXPECT_GT(Count(MOUSEEVENTF_MOVE), 0U);
}

TEST_F(Form1DrawingTest, ProgressShowsInTheCaptionAndInputWaits) {
  auto* threshold = Find<QLineEdit>("Text4");
  std::vector<QString> captions;
  bool timer_stopped = true;
  desktop_.on_event = [&](std::uint32_t flags) {
    if ((flags & MOUSEEVENTF_LEFTDOWN) == 0) {
      return;
    }
    if (captions.empty() || captions.back() != form().windowTitle()) {
      captions.push_back(form().windowTitle());
    }
    timer_stopped = timer_stopped && !Timer().isActive() && form().drawing();
    // The user types while the drawing runs.
    QCoreApplication::postEvent(
        threshold, new QKeyEvent(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier,
                                 QStringLiteral("5")));
  };
  PressF7AndTick();
  desktop_.on_event = nullptr;

  EXPECT_TRUE(timer_stopped);
  ASSERT_GE(captions.size(), 3U);
  EXPECT_TRUE(
      captions.front().startsWith(kCaption + QStringLiteral(" (描画中 ")))
      << captions.front().toStdString();
  // Percentages only grow: "9%" before "10%".
  EXPECT_TRUE(std::is_sorted(
      captions.begin(), captions.end(), [](const QString& a, const QString& b) {
        return a.size() < b.size() || (a.size() == b.size() && a < b);
      }));
  // Afterwards: the caption is back, polling resumes, the typing is gone.
  EXPECT_EQ(form().windowTitle(), kCaption);
  EXPECT_FALSE(form().drawing());
  EXPECT_TRUE(Timer().isActive());
  QCoreApplication::processEvents();
  EXPECT_EQ(threshold->text(), QStringLiteral("200"));
}

TEST_F(Form1DrawingTest, FailureMidwayIsToldAndTheNextF7DrawsAgain) {
  desktop_.FailEventAt(10);
  PressF7AndTick();
  EXPECT_EQ(problems_.size(), 1);
  EXPECT_FALSE(desktop_.left_button_down());
  EXPECT_FALSE(form().drawing());
  EXPECT_TRUE(Timer().isActive());
  EXPECT_EQ(form().windowTitle(), kCaption);

  desktop_.ClearEvents();
  PressF7AndTick();
  EXPECT_GT(Count(MOUSEEVENTF_LEFTDOWN), 100U);
  EXPECT_EQ(problems_.size(), 1);
}

}  // namespace
}  // namespace scrivlet::testing
