// The window's control tree, geometry, fonts, focus order and resize rule,
// at 96 DPI (15 twips per pixel).

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRect>
#include <QTest>
#include <QTimer>
#include <map>
#include <string>
#include <vector>

#include "form1_fixture.h"
#include "window/caption_frame.h"
#include "window/picture_box.h"
#include "window/tab_control.h"

namespace scrivlet::testing {
namespace {

struct Placement {
  const char* name;
  const char* container;  // "SSTab1" (page contents) or "Frame1"
  QRect pixels;           // from the container's top-left corner
};

// Every control's stored place, converted from twips by hand.
const std::vector<Placement> kPlacements{
    {"Text3", "SSTab1", {16, 24, 425, 153}},
    {"Label5", "SSTab1", {16, 184, 41, 25}},
    {"Picture1", "SSTab1", {48, 184, 350, 97}},
    {"Frame1", "SSTab1", {24, 32, 249, 105}},
    {"Command1", "SSTab1", {280, 40, 105, 25}},
    {"Label6", "SSTab1", {96, 144, 313, 17}},
    {"Label3", "Frame1", {16, 16, 217, 25}},
    {"Option1_0", "Frame1", {8, 32, 81, 17}},
    {"Option1_1", "Frame1", {8, 48, 81, 17}},
    {"Check1", "Frame1", {8, 64, 65, 17}},
    {"Check2", "Frame1", {8, 80, 89, 17}},
    {"Label1", "Frame1", {88, 35, 105, 17}},
    {"Label2", "Frame1", {88, 51, 105, 17}},
    {"Label4", "Frame1", {88, 67, 105, 17}},
    {"Text1", "Frame1", {200, 32, 41, 18}},
    {"Text2", "Frame1", {200, 48, 41, 18}},
    {"Text4", "Frame1", {200, 64, 41, 18}},
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

  [[nodiscard]] QRect PlaceOf(const Placement& placement) const {
    auto* widget = Find<QWidget>(placement.name);
    auto* container = Find<QWidget>(placement.container);
    return {widget->mapTo(container, QPoint(0, 0)), widget->size()};
  }

  [[nodiscard]] std::map<std::string, QRect> AllPlaces() const {
    std::map<std::string, QRect> places;
    for (const Placement& placement : kPlacements) {
      places[placement.name] = PlaceOf(placement);
    }
    return places;
  }

  TabControl* Tabs() const { return Find<TabControl>("SSTab1"); }

  // The widgets that Tab visits from the tab strip until it returns there.
  std::vector<QWidget*> FocusCycle() {
    QWidget* strip = Tabs()->tabBar();
    strip->setFocus(Qt::TabFocusReason);
    std::vector<QWidget*> cycle{QApplication::focusWidget()};
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      cycle.push_back(QApplication::focusWidget());
      if (cycle.back() == strip) {
        break;
      }
    }
    return cycle;
  }
};

TEST_F(Form1LayoutTest, EveryControlStartsAtItsStoredPlace) {
  EXPECT_EQ(form().size(), QSize(470, 304));
  EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, 457, 289));
  for (const Placement& placement : kPlacements) {
    EXPECT_EQ(PlaceOf(placement), placement.pixels) << placement.name;
  }
}

TEST_F(Form1LayoutTest, FirstShowFitsTheTabControlToTheWindow) {
  Show();
  EXPECT_EQ(form().size(), QSize(470, 304));
  // 6810 x 4320 twips at 120, 120.
  EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, 454, 288));
}

TEST_F(Form1LayoutTest, MaximisingEnlargesOnlyTheTabControl) {
  Show();
  const auto before = AllPlaces();
  form().showMaximized();
  QTRY_VERIFY(form().width() > 470 && form().height() > 304);
  EXPECT_EQ(Tabs()->geometry(),
            QRect(8, 8, form().width() - 16, form().height() - 16));
  EXPECT_EQ(AllPlaces(), before);
  form().showNormal();
  QTRY_COMPARE(form().size(), QSize(470, 304));
  EXPECT_EQ(Tabs()->geometry(), QRect(8, 8, 454, 288));
}

TEST_F(Form1LayoutTest, TinyWindowShrinksTheTabControlToNothing) {
  Show();
  const auto before = AllPlaces();
  for (const QSize size : {QSize(20, 20), QSize(1, 1), QSize(16, 400)}) {
    form().resize(size);
    QTRY_COMPARE(form().size(), size);
    EXPECT_EQ(Tabs()->pos(), QPoint(8, 8));
    EXPECT_EQ(Tabs()->width(), std::max(0, size.width() - 16));
    EXPECT_EQ(Tabs()->height(), std::max(0, size.height() - 16));
  }
  form().showMinimized();
  QTest::qWait(20);
  EXPECT_EQ(AllPlaces(), before);
}

TEST_F(Form1LayoutTest, TabsShareTheStripInThirds) {
  Show();
  const QTabBar* strip = Tabs()->tabBar();
  ASSERT_EQ(strip->count(), 2);
  EXPECT_EQ(strip->tabText(0), QStringLiteral("メイン"));
  EXPECT_EQ(strip->tabText(1), QStringLiteral("設定"));
  EXPECT_EQ(strip->currentIndex(), 0);
  EXPECT_EQ(strip->tabRect(0).width(), 454 / 3);
  EXPECT_EQ(strip->tabRect(1).width(), 454 / 3);
  EXPECT_EQ(strip->tabRect(0).height(), 20);  // 295 twips
}

TEST_F(Form1LayoutTest, CaptionsAndInitialValues) {
  EXPECT_EQ(form().windowTitle(), QStringLiteral("Scrivlet - 手書き入力"));
  EXPECT_FALSE(form().windowIcon().isNull());
  EXPECT_EQ(form().windowIcon().availableSizes().value(0), QSize(32, 32));
  const std::map<std::string, QString> captions{
      {"Label5", QStringLiteral("画像：")},
      {"Label3", QStringLiteral("※ボックスには整数値を入力してください")},
      {"Label1", QStringLiteral("拡大率(1～)")},
      {"Label2", QStringLiteral("粗さ(1～)")},
      {"Label4", QStringLiteral("白黒の閾値(0～255)")},
  };
  for (const auto& [name, caption] : captions) {
    EXPECT_EQ(Find<QLabel>(name.c_str())->text(), caption) << name;
  }
  EXPECT_EQ(Find<CaptionFrame>("Frame1")->caption(),
            QStringLiteral("設定 (基本的には変更しないでね)"));
  const std::map<std::string, QString> buttons{
      {"Command1", QStringLiteral("HPを見る")},
      {"Option1_0", QStringLiteral("絶対座標")},
      {"Option1_1", QStringLiteral("相対座標")},
      {"Check1", QStringLiteral("最前面")},
      {"Check2", QStringLiteral("ドラッグ入力")},
  };
  for (const auto& [name, caption] : buttons) {
    EXPECT_EQ(Find<QAbstractButton>(name.c_str())->text(), caption) << name;
  }
  EXPECT_TRUE(Find<QAbstractButton>("Option1_0")->isChecked());
  EXPECT_FALSE(Find<QAbstractButton>("Option1_1")->isChecked());
  EXPECT_FALSE(Find<QAbstractButton>("Check1")->isChecked());
  EXPECT_FALSE(Find<QAbstractButton>("Check2")->isChecked());
  EXPECT_EQ(Find<QLineEdit>("Text1")->text(), QStringLiteral("1"));
  EXPECT_EQ(Find<QLineEdit>("Text2")->text(), QStringLiteral("2"));
  EXPECT_EQ(Find<QLineEdit>("Text4")->text(), QStringLiteral("200"));
  EXPECT_FALSE(Find<QLabel>("Label6")->text().isEmpty());

  const auto* timer = Find<QTimer>("Timer1");
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 10);
}

TEST_F(Form1LayoutTest, JapaneseFontsAreRequestedByNameAndFound) {
  struct FontCase {
    const char* name;
    double points;
  };
  for (const FontCase font_case :
       {FontCase{"Text3", 9.75}, FontCase{"Option1_0", 8.25},
        FontCase{"Option1_1", 8.25}, FontCase{"Check1", 8.25},
        FontCase{"Check2", 8.25}}) {
    const QFont font = Find<QWidget>(font_case.name)->font();
    EXPECT_EQ(font.family(), QStringLiteral("ＭＳ Ｐゴシック"))
        << font_case.name;
    EXPECT_DOUBLE_EQ(font.pointSizeF(), font_case.points) << font_case.name;
    EXPECT_EQ(font.weight(), QFont::Normal) << font_case.name;
    // The named font where installed, else its stand-in: never a font
    // without Japanese.
    const QString found = QFontInfo(font).family();
    EXPECT_TRUE(found == QStringLiteral("ＭＳ Ｐゴシック") ||
                found == QStringLiteral("IPAPGothic"))
        << font_case.name << " got " << found.toStdString();
  }
}

TEST_F(Form1LayoutTest, LabelsFitTheirStoredWidth) {
  for (const char* name : {"Label1", "Label2", "Label4", "Label5", "Label6"}) {
    const auto* label = Find<QLabel>(name);
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
              label->width())
        << name;
  }
  for (const char* name : {"Option1_0", "Option1_1", "Check1", "Check2"}) {
    const auto* button = Find<QAbstractButton>(name);
    EXPECT_LE(button->sizeHint().width(), button->width()) << name;
  }
}

TEST_F(Form1LayoutTest, WarningNoteIsDrawnInRed) {
  Show();
  Tabs()->tabBar()->setCurrentIndex(1);
  auto* note = Find<QLabel>("Label3");
  EXPECT_EQ(note->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  const QImage shown = note->grab().toImage();
  bool any_red = false;
  for (int y = 0; y < shown.height() && !any_red; ++y) {
    for (int x = 0; x < shown.width() && !any_red; ++x) {
      const QColor c = shown.pixelColor(x, y);
      any_red = c.red() > 200 && c.green() < 80 && c.blue() < 80;
    }
  }
  EXPECT_TRUE(any_red) << "the note is not drawn in red";
}

TEST_F(Form1LayoutTest, SwitchingPagesHidesTheOtherPage) {
  Show();
  const std::vector<const char*> main_page{"Text3", "Label5", "Picture1"};
  const std::vector<const char*> settings_page{"Frame1", "Command1", "Label6"};
  for (const int page : {1, 0, 1}) {
    Tabs()->tabBar()->setCurrentIndex(page);
    for (const char* name : main_page) {
      EXPECT_EQ(Find<QWidget>(name)->isVisible(), page == 0) << name;
    }
    for (const char* name : settings_page) {
      EXPECT_EQ(Find<QWidget>(name)->isVisible(), page == 1) << name;
    }
  }
}

TEST_F(Form1LayoutTest, FocusOrderOfEachPage) {
  Show();
  form().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form()));
  QWidget* strip = Tabs()->tabBar();
  EXPECT_EQ(QApplication::focusWidget(), strip);
  EXPECT_EQ(FocusCycle(),
            (std::vector<QWidget*>{strip, Find<QWidget>("Text3"),
                                   Find<QWidget>("Picture1"), strip}));

  Tabs()->tabBar()->setCurrentIndex(1);
  EXPECT_EQ(FocusCycle(),
            (std::vector<QWidget*>{
                strip, Find<QWidget>("Check2"), Find<QWidget>("Check1"),
                Find<QWidget>("Text4"), Find<QWidget>("Text2"),
                Find<QWidget>("Text1"), Find<QWidget>("Option1_0"),
                Find<QWidget>("Command1"), strip}));
}

}  // namespace
}  // namespace scrivlet::testing
