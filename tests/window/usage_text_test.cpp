// The usage text, exactly as the main page shows it.

#include "window/usage_text.h"

#include <gtest/gtest.h>

namespace scrivlet {
namespace {

// Eleven lines joined by CR LF, none after the last; written out here rather
// than built from the window's own lines.
TEST(UsageTextTest, IsTheElevenLinesJoinedByCrLf) {
  EXPECT_EQ(
      UsageText(),
      "使い方\r\n"
      "①描きたい絵(BMP)を下の絵のエリアにドラッグ＆ドロップする\r\n"
      "②絵を送りたい相手とのチャットウインドウを開く\r\n"
      "③チャットウインドウの下の方にある手書き入力タブをクリック\r\n"
      "③ペンサイズを中にして、メッセの手書き入力エリアを十分取る\r\n"
      "④絵を描く始点(左上)にマウスカーソルを移動する\r\n"
      "⑤F7を押すと描画できます(F8で中止)\r\n"
      "\r\n"
      "※あまり大きな画像の場合、描画に時間がかかることがあります\r\n"
      "※メッセンジャー(最新のもの)＋JounalViewer(WindowsUpdate)が必要です\r\n"
      "※メッセンジャー以外のお絵かきチャットやお絵かきソフトでも使えます");
}

}  // namespace
}  // namespace scrivlet
