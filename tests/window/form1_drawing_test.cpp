// F7 on the window: the selected plotter runs on the picture box, the window
// shows progress and takes no input meanwhile, and problems are told.

#include <QAbstractButton>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "form1_fixture.h"
#include "window/picture_box.h"

namespace scrivlet::testing {
namespace {

constexpr std::uint16_t kFreshPress = kKeyDown | kKeyPressedSinceLastQuery;

class Form1DrawingTest : public Form1Test {
 protected:
  // F7 pressed before the next tick.
  void PressF7() {
    desktop_.ScriptKey(VK_F7, desktop_.key_queries(VK_F7), kFreshPress);
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

TEST_F(Form1DrawingTest, NoF7NoDrawing) {
  form().Timer1_Timer();
  form().Timer1_Timer();
  EXPECT_TRUE(desktop_.events().empty());
  EXPECT_EQ(desktop_.key_queries(VK_F7), 2U);
  EXPECT_TRUE(Timer().isActive());
}

TEST_F(Form1DrawingTest, F7RunsThePlotterTheOptionNames) {
  PressF7();
  form().Timer1_Timer();
  const std::size_t absolute_clicks = Count(MOUSEEVENTF_LEFTDOWN);
  EXPECT_GT(absolute_clicks, 100U);
  EXPECT_EQ(Count(MOUSEEVENTF_LEFTUP), absolute_clicks);
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
  PressF7();
  form().Timer1_Timer();
  EXPECT_EQ(Count(MOUSEEVENTF_LEFTDOWN), absolute_clicks);
  EXPECT_EQ(Count(MOUSEEVENTF_ABSOLUTE), 0U);
  EXPECT_GT(Count(MOUSEEVENTF_MOVE), 0U);
  EXPECT_TRUE(Timer().isActive());
}

TEST_F(Form1DrawingTest, DroppedPictureIsWhatTheNextDrawingClicks) {
  QTemporaryDir dir;
  QImage picture(12, 8, QImage::Format_RGB32);
  picture.fill(Qt::white);
  picture.setPixel(4, 2, qRgb(0, 0, 0));
  picture.setPixel(5, 2, qRgb(0, 0, 0));  // between two samples: not drawn
  const QString path = dir.filePath(QStringLiteral("dot.png"));
  ASSERT_TRUE(picture.save(path));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  form().Picture1_OLEDragDrop(data);
  ASSERT_TRUE(problems_.isEmpty());

  desktop_.SetBounds({0, 0, 1000, 1000});
  desktop_.SetCursor({100, 200});
  PressF7();
  form().Timer1_Timer();
  ASSERT_EQ(Count(MOUSEEVENTF_LEFTDOWN), 1U);
  // The click lands at the pointer + (4, 2), in 0..65535 over the desktop.
  const auto down =
      std::find_if(desktop_.events().begin(), desktop_.events().end(),
                   [](const MouseEventRecord& event) {
                     return (event.flags & MOUSEEVENTF_LEFTDOWN) != 0;
                   });
  const auto move = std::prev(down);
  EXPECT_NE(move->flags & MOUSEEVENTF_ABSOLUTE, 0U);
  EXPECT_EQ(move->dx, (104 * 65535 + 500) / 1000);
  EXPECT_EQ(move->dy, (202 * 65535 + 500) / 1000);
}

TEST_F(Form1DrawingTest, ProgressShowsInTheCaptionAndInputWaits) {
  auto* threshold = Find<QLineEdit>("Text4");
  std::vector<QString> captions;
  bool drawing_seen = false;
  bool timer_stopped = true;
  desktop_.on_event = [&](std::uint32_t flags) {
    if ((flags & MOUSEEVENTF_LEFTDOWN) == 0) {
      return;
    }
    if (captions.empty() || captions.back() != form().windowTitle()) {
      captions.push_back(form().windowTitle());
    }
    drawing_seen = form().drawing();
    timer_stopped = timer_stopped && !Timer().isActive();
    // The user types and drops while the drawing runs.
    QCoreApplication::postEvent(
        threshold, new QKeyEvent(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier,
                                 QStringLiteral("5")));
  };
  PressF7();
  form().Timer1_Timer();
  desktop_.on_event = nullptr;

  EXPECT_TRUE(drawing_seen);
  EXPECT_TRUE(timer_stopped);
  ASSERT_GE(captions.size(), 3U);
  EXPECT_TRUE(captions.front().startsWith(
      QStringLiteral("Scrivlet - 手書き入力 (描画中 ")))
      << captions.front().toStdString();
  EXPECT_TRUE(std::is_sorted(
      captions.begin(), captions.end(), [](const QString& a, const QString& b) {
        return a.size() < b.size() || (a.size() == b.size() && a < b);
      }));
  // Afterwards: the caption is back, polling resumes, the typing is gone.
  EXPECT_EQ(form().windowTitle(), QStringLiteral("Scrivlet - 手書き入力"));
  EXPECT_FALSE(form().drawing());
  EXPECT_TRUE(Timer().isActive());
  QCoreApplication::processEvents();
  EXPECT_EQ(threshold->text(), QStringLiteral("200"));
  EXPECT_EQ(form().settings().Threshold, 200);
}

TEST_F(Form1DrawingTest, CoarsenessZeroIsRefusedAndToldAndPollingGoesOn) {
  Find<QLineEdit>("Text2")->setText(QStringLiteral("0"));
  PressF7();
  form().Timer1_Timer();
  EXPECT_TRUE(desktop_.events().empty());
  ASSERT_EQ(problems_.size(), 1);
  EXPECT_FALSE(problems_.front().isEmpty());
  EXPECT_TRUE(Timer().isActive());
  EXPECT_EQ(form().windowTitle(), QStringLiteral("Scrivlet - 手書き入力"));
}

TEST_F(Form1DrawingTest, FailureMidwayIsToldAndTheNextF7DrawsAgain) {
  desktop_.FailEventAt(10);
  PressF7();
  form().Timer1_Timer();
  ASSERT_EQ(problems_.size(), 1);
  EXPECT_FALSE(desktop_.left_button_down());
  EXPECT_TRUE(Timer().isActive());
  EXPECT_FALSE(form().drawing());

  desktop_.ClearEvents();
  PressF7();
  form().Timer1_Timer();
  EXPECT_GT(Count(MOUSEEVENTF_LEFTDOWN), 100U);
  EXPECT_EQ(problems_.size(), 1);
}

}  // namespace
}  // namespace scrivlet::testing
