// The window's controls at 96 DPI (15 twips per pixel): where each starts and
// what it says, the resize rule, fonts, and both pages' focus order.

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRect>
#include <QTest>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "form1_fixture.h"
#include "window/caption_frame.h"
#include "window/tab_control.h"
#include "window/usage_text.h"

namespace scrivlet::testing {
namespace {

struct Control {
  const char* name;
  const char* container;  // "SSTab1" (page contents) or "Frame1"
  QRect pixels;           // from the container's top-left corner
  const char* text;       // UTF-8; "" for controls without a text
};

// Every control's stored place, converted from twips by hand, and its text.
const std::vector<Control> kControls{
    {"Text3", "SSTab1", {16, 24, 425, 153}, ""},
    {"Label5", "SSTab1", {16, 184, 41, 25}, "画像："},
    {"Picture1", "SSTab1", {48, 184, 350, 97}, ""},
    {"Frame1", "SSTab1", {24, 32, 249, 105}, ""},
    {"Command1", "SSTab1", {280, 40, 105, 25}, "HPを見る"},
    {"Label6",
     "SSTab1",
     {96, 144, 313, 17},
     "Scrivlet プロジェクト作 ・ 自由に使ってね"},
    {"Label3",
     "Frame1",
     {16, 16, 217, 25},
     "※ボックスには整数値を入力してください"},
    {"Option1_0", "Frame1", {8, 32, 81, 17}, "絶対座標"},
    {"Option1_1", "Frame1", {8, 48, 81, 17}, "相対座標"},
    {"Check1", "Frame1", {8, 64, 65, 17}, "最前面"},
    {"Check2", "Frame1", {8, 80, 89, 17}, "ドラッグ入力"},
    {"Label1", "Frame1", {88, 35, 105, 17}, "拡大率(1～)"},
    {"Label2", "Frame1", {88, 51, 105, 17}, "粗さ(1～)"},
    {"Label4", "Frame1", {88, 67, 105, 17}, "白黒の閾値(0～255)"},
    {"Text1", "Frame1", {200, 32, 41, 18}, "1"},
    {"Text2", "Frame1", {200, 48, 41, 18}, "2"},
    {"Text4", "Frame1", {200, 64, 41, 18}, "200"},
};

class Form1LayoutTest : public Form1Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(form().logicalDpiX(), 96);
    ASSERT_EQ(form().logicalDpiY(), 96);
  }

  void Show() {
    form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form()));
  }

  [[nodiscard]] std::map<std::string, QRect> AllPlaces() const {
    std::map<std::string, QRect> places;
    for (const Control& control : kControls) {
      auto* widget = Find<QWidget>(control.name);
      places[control.name] = {
          widget->mapTo(Find<QWidget>(control.container), QPoint(0, 0)),
          widget->size()};
    }
    return places;
  }

  TabControl* Tabs() const { return Find<TabControl>("SSTab1"); }

  // The controls that Tab visits from the tab strip until it returns there.
  std::string FocusCycle() {
    QWidget* strip = Tabs()->tabBar();
    strip->setFocus(Qt::TabFocusReason);
    std::string cycle = "strip";
    for (int i = 0; i < 20 && QApplication::focusWidget() != nullptr; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (QApplication::focusWidget() == strip) {
        return cycle + " strip";
      }
      // Appended in two steps: GCC 12 takes `" " + std::string` for an
      // overlapping copy (-Wrestrict) once inlined at -O2.
      cycle += ' ';
      cycle += QApplication::focusWidget()->objectName().toStdString();
    }
    return cycle + " ...";
  }
};

TEST_F(Form1LayoutTest, EveryControlStartsAtItsPlaceWithItsCaption) {
  EXPECT_EQ(form().size(), QSize(470, 304));
  EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, 457, 289));
  EXPECT_EQ(form().windowTitle(), QStringLiteral("Scrivlet - 手書き入力"));
  EXPECT_EQ(form().windowIcon().availableSizes().value(0), QSize(32, 32));
  EXPECT_EQ(Tabs()->tabBar()->tabText(0), QStringLiteral("メイン"));
  EXPECT_EQ(Tabs()->tabBar()->tabText(1), QStringLiteral("設定"));
  EXPECT_EQ(Find<CaptionFrame>("Frame1")->caption(),
            QStringLiteral("設定 (基本的には変更しないでね)"));
  const auto places = AllPlaces();
  for (const Control& control : kControls) {
    EXPECT_EQ(places.at(control.name), control.pixels) << control.name;
    EXPECT_EQ(Find<QWidget>(control.name)->property("text").toString(),
              QString::fromUtf8(control.text))
        << control.name;
  }
  // The usage text, shown from its first line.
  const auto* text3 = Find<QPlainTextEdit>("Text3");
  EXPECT_EQ(text3->toPlainText(),
            QString::fromStdString(UsageText())
                .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  EXPECT_EQ(text3->textCursor().position(), 0);
}

TEST_F(Form1LayoutTest, ResizingMovesOnlyTheTabControl) {
  Show();
  // 6810 x 4320 twips at 120, 120; three tabs to a row, 295 twips high.
  EXPECT_EQ(form().size(), QSize(470, 304));
  EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, 454, 288));
  EXPECT_EQ(Tabs()->tabBar()->tabRect(0).size(), QSize(454 / 3, 20));
  EXPECT_EQ(Tabs()->tabBar()->tabRect(1).size(), QSize(454 / 3, 20));
  const auto before = AllPlaces();

  form().showMaximized();
  QTRY_VERIFY(form().width() > 470 && form().height() > 304);
  EXPECT_EQ(Tabs()->geometry(),
            QRect(8, 8, form().width() - 16, form().height() - 16));
  EXPECT_EQ(AllPlaces(), before);
  form().showNormal();
  QTRY_COMPARE(form().size(), QSize(470, 304));
  EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, 454, 288));

  // Smaller than the margins: a tab control of no size, never a failure.
  for (const QSize size : {QSize(20, 20), QSize(1, 1), QSize(16, 400)}) {
    form().resize(size);
    QTRY_COMPARE(form().size(), size);
    EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, std::max(0, size.width() - 16),
                                        std::max(0, size.height() - 16)));
  }
  form().showMinimized();
  QTest::qWait(20);
  EXPECT_EQ(AllPlaces(), before);
}

TEST_F(Form1LayoutTest, JapaneseFontsAreRequestedByNameAndTextsFit) {
  for (const char* name :
       {"Text3", "Option1_0", "Option1_1", "Check1", "Check2"}) {
    const QFont font = Find<QWidget>(name)->font();
    EXPECT_EQ(font.family(), QStringLiteral("ＭＳ Ｐゴシック")) << name;
    EXPECT_DOUBLE_EQ(font.pointSizeF(),
                     std::string(name) == "Text3" ? 9.75 : 8.25)
        << name;
    // The named font where installed, else its stand-in: never a font
    // without Japanese.
    const QString found = QFontInfo(font).family();
    EXPECT_TRUE(found == QStringLiteral("ＭＳ Ｐゴシック") ||
                found == QStringLiteral("IPAPGothic"))
        << name << " got " << found.toStdString();
  }
  for (const char* name : {"Label1", "Label2", "Label4", "Label5", "Label6",
                           "Option1_0", "Option1_1", "Check1", "Check2"}) {
    const auto* widget = Find<QWidget>(name);
    EXPECT_LE(widget->sizeHint().width(), widget->width()) << name;
  }
}

TEST_F(Form1LayoutTest, FocusOrderOfEachPage) {
  Show();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  EXPECT_EQ(QApplication::focusWidget(), Tabs()->tabBar());
  EXPECT_EQ(FocusCycle(), "strip Text3 Picture1 strip");

  // The settings page; the option group is reached at its selected button.
  Tabs()->tabBar()->setCurrentIndex(1);
  EXPECT_EQ(FocusCycle(),
            "strip Check2 Check1 Text4 Text2 Text1 Option1_0 Command1 strip");
  Find<QAbstractButton>("Option1_1")->click();
  EXPECT_EQ(FocusCycle(),
            "strip Check2 Check1 Text4 Text2 Text1 Option1_1 Command1 strip");
}

}  // namespace
}  // namespace scrivlet::testing
