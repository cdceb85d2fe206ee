// The Qt window's controls for the target's inks: the register button
// enters and leaves the state, F7 shows a chip in the read colour, a click
// on the chip removes the ink.

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>

#include "fake_desktop.h"
#include "window/core/window_texts.h"
#include "window/qt/form1.h"
#include "window/qt/ink_chip.h"

namespace scrivlet::testing {
namespace {

constexpr COLORREF kSwatch = 0x336699U;

class SwatchDesktop : public FakeDesktop {
 public:
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint /*at*/) override {
    return kSwatch;
  }
};

TEST(InkChipsDriverTest, RegisterButtonAndChipsWork) {
  SwatchDesktop desktop;
  Form1 form(desktop, Form1Hooks{[](const QUrl&) { return true; }, {}});
  form.show();
  auto* button = form.findChild<QPushButton*>(QStringLiteral("Command2"));
  auto* chip = form.findChild<InkChip*>(QStringLiteral("InkChip_0"));
  ASSERT_NE(button, nullptr);
  ASSERT_NE(chip, nullptr);
  EXPECT_TRUE(chip->isHidden());

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(form.core().registering());
  EXPECT_EQ(button->text().toStdString(), texts::kEndRegistering);
  desktop.AnswerNextQuery(VK_F7, kFreshKeyPress);
  form.core().Timer1_Timer();
  EXPECT_FALSE(chip->isHidden());
  EXPECT_EQ(chip->colour(), kSwatch);
  EXPECT_TRUE(desktop.events().empty());  // nothing was clicked

  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_FALSE(form.core().registering());
  chip->click();
  EXPECT_TRUE(chip->isHidden());
  EXPECT_TRUE(form.core().settings().Inks.empty());
}

}  // namespace
}  // namespace scrivlet::testing
