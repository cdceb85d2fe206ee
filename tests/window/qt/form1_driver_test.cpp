// The Qt front end drives the shared behaviour: every control exists under
// its shared name, events reach the core's handlers, drops are taken as
// copies (also of files whose names are not UTF-8), one message box at a
// time, the focus chain, fonts that fit, a close request mid-drawing, and
// the controls for the target's inks.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/fake_form1_view.h"
#include "window/core/window_texts.h"
#include "window/qt/form1.h"
#include "window/qt/ink_chip.h"
#include "window/qt/picture_box.h"
#include "window/qt/tab_control.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kSwatch = 0x336699U;

class Form1DriverTest : public ::testing::Test {
 protected:
  Form1DriverTest()
      : form_(std::make_unique<Form1>(
            desktop_, Form1Hooks{[](const QUrl&) { return true; },
                                 [this](QWidget*) { return chosen_file_; }})) {}

  template <typename Widget>
  Widget* Find(const char* name) const {
    auto* widget = form_->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
  }

  void PressF7AndTick() {
    desktop_.ScriptKey(VK_F7, desktop_.key_queries(VK_F7), kFreshKeyPress);
    form_->core().Timer1_Timer();
  }

  // Drops a uri-list on Picture1; returns whether it was accepted as copy.
  bool Drop(const QByteArray& uri_list, Qt::DropActions offered) {
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"), uri_list);
    auto* box = Find<PictureBox>("Picture1");
    // Qt delivers a drop only to the widget the drag entered.
    // Shift makes "move" the proposed action where it is offered.
    QDragEnterEvent enter(QPoint(5, 5), offered, &mime, Qt::LeftButton,
                          Qt::ShiftModifier);
    QCoreApplication::sendEvent(box, &enter);
    QDropEvent event(QPointF(5, 5), offered, &mime, Qt::LeftButton,
                     Qt::ShiftModifier);
    QCoreApplication::sendEvent(box, &event);
    return event.isAccepted() && event.dropAction() == Qt::CopyAction;
  }

  // The texts of the message boxes showing.
  [[nodiscard]] static std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr) {
        if (box->isVisible()) texts.push_back(box->text().toStdString());
      }
    }
    return texts;
  }

  QString chosen_file_;  // what the file dialog answers
  ScreenDesktop desktop_;
  std::unique_ptr<Form1> form_;
};

TEST_F(Form1DriverTest, EventsReachTheCore) {
  Find<QLineEdit>("Text2")->setText(QStringLiteral("5"));
  EXPECT_EQ(form_->core().settings().Coarseness, 5);
  Find<QAbstractButton>("Option1_1")->click();
  EXPECT_EQ(Find<QLineEdit>("Text1")->text(), QStringLiteral("2"));
  EXPECT_EQ(form_->SelectedOption(), 1);
  Find<QCheckBox>("Check2")->setCheckState(Qt::PartiallyChecked);
  EXPECT_EQ(form_->core().settings().DragInput, kTrue);
  Find<QCheckBox>("Check1")->setCheckState(Qt::Checked);
  ASSERT_EQ(desktop_.window_pos_calls().size(), 1U);
  EXPECT_EQ(desktop_.window_pos_calls()[0].order, ZOrder::Topmost);

  form_->show();
  form_->resize(1000, 800);
  // The tab control keeps equal margins.
  const QRect tab = Find<TabControl>("SSTab1")->geometry();
  EXPECT_GT(tab.x(), 0);
  EXPECT_EQ(QRect(tab.x(), tab.x(), 1000 - 2 * tab.x(), 800 - 2 * tab.x()),
            tab);
}

TEST_F(Form1DriverTest, DropsAreCopiesAndNamesNeedNotBeUtf8) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // A name that is not valid UTF-8, written through the raw bytes.
  const std::string raw =
      QFile::encodeName(dir.path()).toStdString() + "/pic\xff\xfe.png";
  QImage picture(400, 120, QImage::Format_RGB32);
  picture.fill(Qt::black);
  ASSERT_TRUE(picture.save(dir.filePath("a.png")));
  ASSERT_EQ(std::rename(QFile::encodeName(dir.filePath("a.png")), raw.c_str()),
            0);
  const QByteArray uri =
      "file://" + QByteArray::fromStdString(raw).toPercentEncoding("/");

  const double before = form_->core().ScaleWidth();
  EXPECT_FALSE(Drop(uri, Qt::MoveAction)) << uri.toStdString();
  EXPECT_EQ(form_->core().ScaleWidth(), before);
  EXPECT_TRUE(Drop("https://example.org/x.png\r\n" + uri + "\r\n",
                   Qt::CopyAction | Qt::MoveAction));
  EXPECT_EQ(form_->core().ScaleWidth(), 400);
  EXPECT_GE(Find<PictureBox>("Picture1")->width(), 400);
  EXPECT_TRUE(Messages().empty());
  // What the core refuses is not confirmed to the source.
  EXPECT_FALSE(Drop("https://example.org/x.png\r\n", Qt::CopyAction));
  std::remove(raw.c_str());
}

TEST_F(Form1DriverTest, FocusOrderOfEachPageAndFontsThatFit) {
  form_->show();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  auto* tabs = Find<TabControl>("SSTab1");
  ASSERT_EQ(tabs->tabBar()->count(), 3);
  const auto cycle = [] {
    std::string names;
    QWidget* start = QApplication::focusWidget();
    QWidget* at = start;
    do {
      names +=
          at->objectName().isEmpty() ? "strip" : at->objectName().toStdString();
      names += ' ';
      at = at->nextInFocusChain();
      while (!(at->isVisible() && at->isEnabled() &&
               (at->focusPolicy() & Qt::TabFocus) != 0)) {
        at = at->nextInFocusChain();
      }
    } while (at != start);
    return names;
  };
  // Each page's controls in the shared order (of an option group, the
  // selected button), from the tab strip.
  for (const int page : {0, 1, 2}) {
    tabs->tabBar()->setCurrentIndex(page);
    tabs->tabBar()->setFocus();
    std::string chain = "strip ";
    for (const Control control : kFocusOrder) {
      const auto* widget = Find<QWidget>(Info(control).name);
      const auto* button = qobject_cast<const QAbstractButton*>(widget);
      if (control != Control::SSTab1 && widget->isVisible() &&
          (button == nullptr || !button->autoExclusive() ||
           button->isChecked())) {
        chain += std::string(Info(control).name) + " ";
      }
    }
    EXPECT_EQ(cycle(), chain);
  }

  // Every shared name is a widget; every caption fits its control, in one
  // of the window's fonts.
  for (const ControlInfo& info : kControls) {
    const auto* widget = Find<QWidget>(info.name);
    const auto* label = qobject_cast<const QLabel*>(widget);
    const bool one_line = qobject_cast<const QAbstractButton*>(widget) ||
                          (label != nullptr && !label->wordWrap());
    if (info.text == nullptr || !one_line) continue;
    EXPECT_LE(widget->sizeHint().width(), widget->width()) << info.name;
    const QString family = QFontInfo(widget->font()).family();
    EXPECT_TRUE(family == QStringLiteral("ＭＳ Ｐゴシック") ||
                family == QStringLiteral("IPAPGothic") ||
                family == QStringLiteral("MS UI Gothic"))
        << info.name << " got " << family.toStdString();
  }
}

TEST_F(Form1DriverTest, MidDrawingInputIsOffAndCloseStopsTheDrawing) {
  Find<QCheckBox>("Check2")->setCheckState(Qt::Checked);  // drag input
  form_->show();
  bool closed_at_once = true;
  // Input is off while drawing: typing goes nowhere (and drops with it).
  desktop_.AfterEvent(
      1, [&] { QTest::keyClick(Find<QLineEdit>("Text1"), Qt::Key_9); });
  desktop_.AfterEvent(2, [&] { closed_at_once = form_->close(); });
  PressF7AndTick();
  EXPECT_FALSE(closed_at_once);
  EXPECT_EQ(Find<QLineEdit>("Text1")->text(), QStringLiteral("1"));
  EXPECT_FALSE(form_->isVisible());
}

TEST_F(Form1DriverTest, StrokesGreyDragInputAndPasteAndDoubleClickLoad) {
  Find<QAbstractButton>("Option2_1")->click();
  EXPECT_FALSE(Find<QCheckBox>("Check2")->isEnabled());

  // Ctrl+V and a double click take their file through the drop's checks.
  form_->show();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  auto* mime = new QMimeData;
  mime->setData(QStringLiteral("text/uri-list"), "file:///no/such/a.png\r\n");
  QGuiApplication::clipboard()->setMimeData(mime);
  auto* tabs = Find<TabControl>("SSTab1");
  tabs->tabBar()->setFocus();
  QTest::keyClick(tabs->tabBar(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kDropNotFound});
  // A picture offered that does not decode is broken, not absent.
  mime = new QMimeData;
  mime->setData(QStringLiteral("application/x-qt-image"), "not a picture");
  QGuiApplication::clipboard()->setMimeData(mime);
  QTest::keyClick(tabs->tabBar(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kDropBroken});
  chosen_file_ = QDir::tempPath();
  QTest::mouseDClick(Find<PictureBox>("Picture1"), Qt::LeftButton);
  // The second problem takes the first one's box: one box at a time.
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kDropFolder});
}

// The register button enters and leaves the state, F7 shows a chip in the
// read colour, a click on the chip removes the ink.
TEST_F(Form1DriverTest, RegisterButtonAndChipsWork) {
  form_->show();
  auto* button = Find<QPushButton>("Command2");
  auto* chip = Find<InkChip>("InkChip_0");
  ASSERT_TRUE(button != nullptr && chip != nullptr);
  EXPECT_TRUE(chip->isHidden());

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(form_->core().registering());
  EXPECT_EQ(button->text().toStdString(), texts::kEndRegistering);
  desktop_.swatches[{100, 100}] = kSwatch;  // under the pointer
  PressF7AndTick();
  EXPECT_FALSE(chip->isHidden());
  EXPECT_EQ(chip->colour(), kSwatch);

  chip->click();
  EXPECT_TRUE(chip->isHidden());
}

}  // namespace
}  // namespace scrivlet::testing
