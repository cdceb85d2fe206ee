#include "engine/messages.h"

#include "engine/checked_math.h"
#include "platform/platform_input.h"

namespace scrivlet {

std::string CoarsenessZeroMessage() {
  return "粗さが0では描画できません(1以上の整数値を入力してください)";
}

std::string DrawFailedMessage(const std::exception& error) {
  std::string summary;
  if (dynamic_cast<const OverflowError*>(&error) != nullptr) {
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
