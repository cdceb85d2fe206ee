// The settings handlers: number boxes, coordinate-mode presets, drag input,
// topmost, and the home-page button.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "form1_fixture.h"
#include "window/home_page.h"
#include "window/tab_control.h"

namespace scrivlet::testing {
namespace {

class Form1SettingsTest : public Form1Test {};

TEST_F(Form1SettingsTest, LoadFillsSettingsFromTheDefaultTexts) {
  EXPECT_EQ(form().settings().Magnification, 1);
  EXPECT_EQ(form().settings().Coarseness, 2);
  EXPECT_EQ(form().settings().Threshold, 200);
  EXPECT_EQ(form().settings().DragInput, kFalse);
}

struct Typing {
  const char* box;
  std::string text;
  std::int16_t DrawSettings::*field;
  std::int16_t expected;  // what the field holds afterwards
};

TEST_F(Form1SettingsTest, TypedTextConvertsOrLeavesTheFieldAlone) {
  const std::vector<Typing> table{
      {"Text4", "abc", &DrawSettings::Threshold, 200},
      {"Text4", "", &DrawSettings::Threshold, 200},
      {"Text4", "40000", &DrawSettings::Threshold, 200},
      {"Text4", "128", &DrawSettings::Threshold, 128},
      {"Text4", " 7 ", &DrawSettings::Threshold, 7},
      {"Text2", "0", &DrawSettings::Coarseness, 0},
      {"Text2", "-5", &DrawSettings::Coarseness, -5},
      {"Text2", "2.5", &DrawSettings::Coarseness, 2},
      {"Text2", "3.5", &DrawSettings::Coarseness, 4},
      {"Text2", "x3", &DrawSettings::Coarseness, 4},
      {"Text1", "32767", &DrawSettings::Magnification, 32767},
      {"Text1", "32768", &DrawSettings::Magnification, 32767},
      {"Text1", "-32768", &DrawSettings::Magnification, -32768},
  };
  for (const Typing& typing : table) {
    // The whole text at once, as a paste would put it.
    auto* box = Find<QLineEdit>(typing.box);
    box->setText(QString::fromStdString(typing.text));
    EXPECT_EQ(form().settings().*typing.field, typing.expected)
        << typing.box << " \"" << typing.text << "\"";
  }
}

TEST_F(Form1SettingsTest, EveryKeystrokeThatConvertsIsStored) {
  auto* box = Find<QLineEdit>("Text4");
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("12x"));
  EXPECT_EQ(box->text(), QStringLiteral("12x"));
  EXPECT_EQ(form().settings().Threshold, 12);
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, QStringLiteral("8"));
  EXPECT_EQ(form().settings().Threshold, 128);
}

TEST_F(Form1SettingsTest, OptionPresetsRewriteMagnificationAndCoarseness) {
  auto* absolute = Find<QAbstractButton>("Option1_0");
  auto* relative = Find<QAbstractButton>("Option1_1");
  Find<QLineEdit>("Text4")->setText(QStringLiteral("150"));
  Find<QLineEdit>("Text2")->setText(QStringLiteral("9"));

  relative->click();
  EXPECT_TRUE(relative->isChecked());
  EXPECT_FALSE(absolute->isChecked());
  EXPECT_EQ(Find<QLineEdit>("Text1")->text(), QStringLiteral("2"));
  EXPECT_EQ(Find<QLineEdit>("Text2")->text(), QStringLiteral("2"));
  EXPECT_EQ(form().settings().Magnification, 2);
  EXPECT_EQ(form().settings().Coarseness, 2);
  EXPECT_EQ(form().settings().Threshold, 150);
  EXPECT_EQ(form().SelectedMode(), CoordinateMode::Relative);

  Find<QLineEdit>("Text1")->setText(QStringLiteral("5"));
  absolute->click();
  EXPECT_TRUE(absolute->isChecked());
  EXPECT_FALSE(relative->isChecked());
  EXPECT_EQ(Find<QLineEdit>("Text1")->text(), QStringLiteral("1"));
  EXPECT_EQ(Find<QLineEdit>("Text2")->text(), QStringLiteral("2"));
  EXPECT_EQ(form().settings().Magnification, 1);
  EXPECT_EQ(form().settings().Coarseness, 2);
  EXPECT_EQ(form().settings().Threshold, 150);
  EXPECT_EQ(form().SelectedMode(), CoordinateMode::Absolute);

  // Other indices do nothing.
  form().Option1_Click(2);
  form().Option1_Click(-1);
  EXPECT_EQ(Find<QLineEdit>("Text1")->text(), QStringLiteral("1"));
}

TEST_F(Form1SettingsTest, TabReachesTheSelectedOptionButton) {
  form().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  Find<TabControl>("SSTab1")->tabBar()->setCurrentIndex(1);
  Find<QAbstractButton>("Option1_1")->click();
  Find<QWidget>("Text1")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("Option1_1"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("Command1"));
}

TEST_F(Form1SettingsTest, DragInputFollowsCheck2IncludingGrayed) {
  auto* check2 = Find<QCheckBox>("Check2");
  struct Step {
    Qt::CheckState state;
    std::int16_t drag;
  };
  for (const Step step :
       {Step{Qt::Checked, kTrue}, Step{Qt::Unchecked, kFalse},
        Step{Qt::PartiallyChecked, kTrue}, Step{Qt::Unchecked, kFalse}}) {
    check2->setCheckState(step.state);
    EXPECT_EQ(CheckValue(*check2), step.state == Qt::PartiallyChecked ? 2
                                   : step.state == Qt::Checked        ? 1
                                                                      : 0);
    EXPECT_EQ(form().settings().DragInput, step.drag);
  }
  // A user's clicks toggle between clear and checked; grayed clears.
  check2->click();
  EXPECT_EQ(check2->checkState(), Qt::Checked);
  check2->click();
  EXPECT_EQ(check2->checkState(), Qt::Unchecked);
  check2->setCheckState(Qt::PartiallyChecked);
  check2->click();
  EXPECT_EQ(check2->checkState(), Qt::Unchecked);
  EXPECT_EQ(form().settings().DragInput, kFalse);
}

TEST_F(Form1SettingsTest, TopmostGoesThroughTheDesktopWithTheWindowHandle) {
  auto* check1 = Find<QCheckBox>("Check1");
  check1->click();
  check1->setCheckState(Qt::PartiallyChecked);
  check1->setCheckState(Qt::Checked);
  check1->click();
  const auto handle = static_cast<NativeWindow>(form().winId());
  EXPECT_EQ(desktop_.window_pos_calls(),
            (std::vector<WindowPosRecord>{{handle, ZOrder::Topmost},
                                          {handle, ZOrder::NotTopmost},
                                          {handle, ZOrder::Topmost},
                                          {handle, ZOrder::NotTopmost}}));
  EXPECT_TRUE(problems_.isEmpty());
}

TEST_F(Form1SettingsTest, HomePageButtonOpensTheProjectPageEachClick) {
  auto* button = Find<QAbstractButton>("Command1");
  button->click();
  button->click();
  ASSERT_EQ(opened_.size(), 2U);
  EXPECT_EQ(opened_[0], QUrl(QString::fromUtf8(kHomePageUrl)));
  EXPECT_EQ(opened_[1], opened_[0]);
  EXPECT_TRUE(opened_[0].isValid());
  EXPECT_EQ(opened_[0].scheme(), QStringLiteral("https"));
  EXPECT_TRUE(problems_.isEmpty());

  open_succeeds_ = false;
  button->click();
  ASSERT_EQ(problems_.size(), 1);
  EXPECT_EQ(problems_[0], QStringLiteral("ホームページを開けませんでした"));
}

}  // namespace
}  // namespace scrivlet::testing
