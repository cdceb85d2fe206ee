// The usage text: eleven exact lines joined by CR LF, as Text3 shows them.

#include "window/usage_text.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>

#include "form1_fixture.h"

namespace scrivlet::testing {
namespace {

TEST(UsageTextTest, ElevenLinesJoinedByCrLf) {
  const QString text = QString::fromStdString(UsageText());
  EXPECT_EQ(text.count(QStringLiteral("\r\n")), 10);
  EXPECT_EQ(text.count(QLatin1Char('\n')), 10);
  EXPECT_EQ(text.count(QLatin1Char('\r')), 10);
  EXPECT_FALSE(text.endsWith(QLatin1Char('\n')));
  EXPECT_TRUE(text.contains(QStringLiteral("(F8で中止)\r\n\r\n※あまり")));

  const QStringList lines = text.split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 11);
  EXPECT_EQ(lines[0], QStringLiteral("使い方"));
  EXPECT_EQ(lines[1],
            QStringLiteral(
                "①描きたい絵(BMP)を下の絵のエリアにドラッグ＆ドロップする"));
  EXPECT_EQ(lines[6], QStringLiteral("⑤F7を押すと描画できます(F8で中止)"));
  EXPECT_TRUE(lines[7].isEmpty());
  EXPECT_EQ(
      lines[10],
      QStringLiteral(
          "※メッセンジャー以外のお絵かきチャットやお絵かきソフトでも使えます"));
  // Lengths in UTF-16 units of the ten non-empty lines.
  const std::vector<qsizetype> lengths{3,  31, 23, 29, 29, 24,
                                       20, 0,  29, 48, 33};
  for (qsizetype i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].size(), lengths[static_cast<std::size_t>(i)])
        << "line " << i + 1;
  }
  // Circled digits, full-width signs and the reference mark.
  EXPECT_EQ(lines[1].front(), QChar(0x2460));
  EXPECT_EQ(lines[3].front(), QChar(0x2462));
  EXPECT_EQ(lines[4].front(), QChar(0x2462));
  EXPECT_EQ(lines[6].front(), QChar(0x2464));
  EXPECT_TRUE(lines[1].contains(QChar(0xFF06)));
  EXPECT_TRUE(lines[9].contains(QChar(0xFF0B)));
  EXPECT_EQ(lines[8].front(), QChar(0x203B));
  EXPECT_TRUE(lines[4].contains(QChar(0x3001)));
}

class UsageTextBoxTest : public Form1Test {};

TEST_F(UsageTextBoxTest, Text3ShowsTheLinesFromTheTop) {
  const auto* box = Find<QPlainTextEdit>("Text3");
  const QTextDocument* document = box->document();
  ASSERT_EQ(document->blockCount(), 11);
  for (int i = 0; i < document->blockCount(); ++i) {
    EXPECT_EQ(
        document->findBlockByNumber(i).text(),
        QString::fromUtf8(kUsageLines[static_cast<std::size_t>(i)].data(),
                          static_cast<qsizetype>(
                              kUsageLines[static_cast<std::size_t>(i)].size())))
        << "line " << i + 1;
  }
  EXPECT_FALSE(box->isReadOnly());
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(box->textCursor().position(), 0);
}

}  // namespace
}  // namespace scrivlet::testing
