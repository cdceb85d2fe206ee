// The settings handlers: number boxes, coordinate-mode presets, the check
// boxes with their grayed value, and the home-page button.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <string>
#include <vector>

#include "form1_fixture.h"
#include "window/home_page.h"

namespace scrivlet::testing {
namespace {

class Form1SettingsTest : public Form1Test {
 protected:
  void Type(const char* box, const char* text) {
    Find<QLineEdit>(box)->setText(QString::fromUtf8(text));
  }
};

TEST_F(Form1SettingsTest, BoxesConvertOrLeaveTheFieldAlone) {
  const DrawSettings& settings = form().settings();
  EXPECT_EQ(settings.Magnification, 1);
  EXPECT_EQ(settings.Coarseness, 2);
  EXPECT_EQ(settings.Threshold, 200);
  EXPECT_EQ(settings.DragInput, kFalse);

  struct Typing {
    const char* box;
    const char* text;
    const std::int16_t DrawSettings::*field;
    std::int16_t expected;  // what the field holds afterwards
  };
  for (const Typing& typing : std::vector<Typing>{
           {"Text4", "abc", &DrawSettings::Threshold, 200},
           {"Text4", "", &DrawSettings::Threshold, 200},
           {"Text4", "40000", &DrawSettings::Threshold, 200},
           {"Text4", " 7 ", &DrawSettings::Threshold, 7},
           {"Text2", "-5", &DrawSettings::Coarseness, -5},
           {"Text2", "2.5", &DrawSettings::Coarseness, 2},
           {"Text1", "32767", &DrawSettings::Magnification, 32767},
       }) {
    Type(typing.box, typing.text);
    EXPECT_EQ(settings.*typing.field, typing.expected)
        << typing.box << " \"" << typing.text << "\"";
  }
}

TEST_F(Form1SettingsTest, OptionPresetsRewriteMagnificationAndCoarseness) {
  Type("Text4", "150");
  struct Preset {
    const char* button;
    CoordinateMode mode;
    std::int16_t magnification;
  };
  for (const Preset preset :
       {Preset{"Option1_1", CoordinateMode::Relative, 2},
        Preset{"Option1_0", CoordinateMode::Absolute, 1}}) {
    Type("Text1", "5");
    Type("Text2", "9");
    Find<QAbstractButton>(preset.button)->click();
    EXPECT_EQ(form().SelectedMode(), preset.mode) << preset.button;
    EXPECT_EQ(Find<QLineEdit>("Text1")->text(),
              QString::number(preset.magnification));
    EXPECT_EQ(Find<QLineEdit>("Text2")->text(), QStringLiteral("2"));
    EXPECT_EQ(form().settings().Magnification, preset.magnification);
    EXPECT_EQ(form().settings().Coarseness, 2);
    EXPECT_EQ(form().settings().Threshold, 150);
  }
}

TEST_F(Form1SettingsTest, GrayedCountsForDragInputButNotForTopmost) {
  auto* check1 = Find<QCheckBox>("Check1");
  auto* check2 = Find<QCheckBox>("Check2");
  const auto window = static_cast<NativeWindow>(form().winId());
  struct Step {
    Qt::CheckState state;
    std::int16_t drag;
    ZOrder order;
  };
  for (const Step step :
       {Step{Qt::Checked, kTrue, ZOrder::Topmost},
        Step{Qt::Unchecked, kFalse, ZOrder::NotTopmost},
        Step{Qt::PartiallyChecked, kTrue, ZOrder::NotTopmost}}) {
    check1->setCheckState(step.state);
    check2->setCheckState(step.state);
    EXPECT_EQ(form().settings().DragInput, step.drag) << step.state;
    EXPECT_EQ(desktop_.window_pos_calls().back(),
              (WindowPosRecord{window, step.order}))
        << step.state;
  }
  EXPECT_EQ(CheckValue(*check2), 2);
  // A user's clicks turn a grayed box off, then on.
  check1->click();
  check1->click();
  EXPECT_EQ(check1->checkState(), Qt::Checked);
  EXPECT_EQ(desktop_.window_pos_calls().size(), 5U);
  EXPECT_EQ(desktop_.window_pos_calls()[3],
            (WindowPosRecord{window, ZOrder::NotTopmost}));
  EXPECT_TRUE(problems_.isEmpty());
}

TEST_F(Form1SettingsTest, HomePageButtonOpensTheProjectPage) {
  auto* button = Find<QAbstractButton>("Command1");
  button->click();
  EXPECT_EQ(opened_, std::vector<QUrl>{QUrl(QString::fromUtf8(kHomePageUrl))});
  EXPECT_EQ(opened_.front().scheme(), QStringLiteral("https"));
  EXPECT_TRUE(problems_.isEmpty());

  open_succeeds_ = false;
  button->click();
  EXPECT_EQ(problems_,
            QStringList{QStringLiteral("ホームページを開けませんでした")});
}

}  // namespace
}  // namespace scrivlet::testing
