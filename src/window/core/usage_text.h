#pragma once

// The usage text shown on the main page.

#include <array>
#include <string>
#include <string_view>

namespace scrivlet {

// The eleven lines, UTF-8, without line breaks.
inline constexpr std::array<std::string_view, 11> kUsageLines{
    "使い方",
    "①描きたい絵(BMP)を下の絵のエリアにドラッグ＆ドロップする",
    "②絵を送りたい相手とのチャットウインドウを開く",
    "③チャットウインドウの下の方にある手書き入力タブをクリック",
    "③ペンサイズを中にして、メッセの手書き入力エリアを十分取る",
    "④絵を描く始点(左上)にマウスカーソルを移動する",
    "⑤F7を押すと描画できます(F8で中止)",
    "",
    "※あまり大きな画像の場合、描画に時間がかかることがあります",
    "※メッセンジャー(最新のもの)＋JounalViewer(WindowsUpdate)が必要です",
    "※メッセンジャー以外のお絵かきチャットやお絵かきソフトでも使えます",
};

// The lines joined by CR LF, with no break after the last.
std::string UsageText();

}  // namespace scrivlet
