#include "engine/messages.h"

#include "engine/checked_math.h"
#include "engine/drawing_watch.h"
#include "engine/sample_grid.h"
#include "platform/platform_input.h"

namespace scrivlet {

std::string CoarsenessZeroMessage() {
  return "粗さが0では描画できません(1以上の整数値を入力してください)";
}

std::string CoarsenessNegativeMessage() {
  return "粗さが負の値では描画できません(1以上の整数値を入力してください)";
}

std::string ThresholdNegativeMessage() {
  return "白黒の閾値が負の値では何も描画されません"
         "(0～255の整数値を入力してください)";
}

std::string DrawFailedMessage(const std::exception& error) {
  std::string summary;
  if (dynamic_cast<const ColourNeedsAbsoluteError*>(&error) != nullptr) {
    summary =
        "色を使う描画は絶対座標でのみできます"
        "(設定ページで絶対座標を選ぶか、登録した色を外してください)";
  } else if (dynamic_cast<const DesktopChangedError*>(&error) != nullptr) {
    summary =
        "描画中に画面の大きさが変わったため描画を中止しました"
        "(もう一度F7を押してください)";
  } else if (dynamic_cast<const EdgeReachedError*>(&error) != nullptr) {
    summary =
        "マウスカーソルが画面の端に着いたため描画を中止しました"
        "(始点を左上に寄せるか、拡大率を小さくしてください)";
  } else if (dynamic_cast<const OverflowError*>(&error) != nullptr) {
    summary =
        "数値があふれたため描画を中止しました("
        "拡大率や粗さを小さくしてください)";
  } else if (dynamic_cast<const FloatingPointError*>(&error) != nullptr) {
    summary = "座標を計算できないため描画を中止しました";
  } else if (dynamic_cast<const PlatformError*>(&error) != nullptr) {
    summary = "マウスを操作できないため描画を中止しました";
  } else {
    summary = "エラーのため描画を中止しました";
  }
  return summary + "\n(" + error.what() + ")";
}

}  // namespace scrivlet
