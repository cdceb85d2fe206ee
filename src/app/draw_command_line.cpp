#include "app/draw_command_line.h"

#include <charconv>
#include <limits>
#include <string_view>

#include "window/core/option_presets.h"
#include "window/core/text_to_integer.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

// A whole decimal number, sign allowed, nothing around it.
template <typename Integer>
std::optional<Integer> WholeNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  Integer value{};
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() ||
      end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::optional<ScreenPoint> Point(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto x = WholeNumber<std::int32_t>(text.substr(0, comma));
  const auto y = WholeNumber<std::int32_t>(text.substr(comma + 1));
  if (!x || !y) return std::nullopt;
  return ScreenPoint{*x, *y};
}

// X,Y or X,Y,RRGGBB (the colour in hex, red first, as web pages write it).
std::optional<DrawRequest::Swatch> SwatchOf(std::string_view text) {
  const std::size_t second = text.find(',', text.find(',') + 1);
  const std::optional<ScreenPoint> at = Point(text.substr(0, second));
  if (!at) return std::nullopt;
  if (second == std::string_view::npos) return DrawRequest::Swatch{*at, {}};
  const std::string_view hex = text.substr(second + 1);
  std::uint32_t rgb = 0;
  const auto [end, error] =
      std::from_chars(hex.data(), hex.data() + hex.size(), rgb, 16);
  if (hex.size() != 6 || error != std::errc() ||
      end != hex.data() + hex.size()) {
    return std::nullopt;
  }
  return DrawRequest::Swatch{
      *at, ((rgb >> 16U) & 0xFFU) | (rgb & 0xFF00U) | ((rgb & 0xFFU) << 16U)};
}

std::int16_t Preset(const char* text) {
  // The presets are the window's box texts; they always convert.
  return TextToInteger(text).value_or(std::int16_t{0});
}

}  // namespace

bool IsDrawCommand(const std::vector<std::string>& arguments) {
  return !arguments.empty() && arguments.front() == "draw";
}

std::variant<DrawRequest, UsageError> ParseDrawCommandLine(
    const std::vector<std::string>& words) {
  DrawRequest request;
  bool have_picture = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (word == "--relative") {
      request.mode = CoordinateMode::Relative;
      continue;
    }
    if (word == "--drag" || word == "--strokes" || word == "--dither") {
      (word == "--drag"      ? request.drag
       : word == "--strokes" ? request.strokes
                             : request.dither) = true;
      continue;
    }
    const bool takes_value = word == "--at" || word == "--magnification" ||
                             word == "--coarseness" || word == "--threshold" ||
                             word == "--swatch";
    if (takes_value) {
      if (i + 1 == words.size()) {
        return UsageError{std::string(word) + " に値がありません"};
      }
      const std::string_view value = words[++i];
      const std::string bad =
          std::string(word) + " の値が正しくありません: " + std::string(value);
      if (word == "--at") {
        request.at = Point(value);
        if (!request.at) return UsageError{bad + " (X,Y の整数で指定)"};
        continue;
      }
      if (word == "--swatch") {
        const auto swatch = SwatchOf(value);
        if (!swatch) {
          return UsageError{bad + " (X,Y か X,Y,RRGGBB で指定)"};
        }
        request.swatches.push_back(*swatch);
        continue;
      }
      const auto number = WholeNumber<std::int16_t>(value);
      if (!number) return UsageError{bad + " (-32768～32767 の整数で指定)"};
      (word == "--magnification" ? request.magnification
       : word == "--coarseness"  ? request.coarseness
                                 : request.threshold) = number;
      continue;
    }
    if (word.size() > 1 && word.front() == '-') {
      return UsageError{"知らないオプションです: " + std::string(word)};
    }
    if (have_picture) {
      return UsageError{"画像は一つだけ指定してください: " + std::string(word)};
    }
    request.picture = word;
    have_picture = true;
  }
  if (!have_picture) {
    return UsageError{"描く画像のファイルを指定してください"};
  }
  if (!request.swatches.empty() && request.mode == CoordinateMode::Relative) {
    return UsageError{
        "--swatch は絶対座標でのみ使えます(--relative と一緒に"
        "は使えません)"};
  }
  return request;
}

DrawSettings SettingsFor(const DrawRequest& request) {
  const OptionPreset& preset =
      kOptionPresets[request.mode == CoordinateMode::Absolute ? 0 : 1];
  DrawSettings settings;
  settings.Magnification =
      request.magnification.value_or(Preset(preset.magnification));
  settings.Coarseness = request.coarseness.value_or(Preset(preset.coarseness));
  settings.Threshold =
      request.threshold.value_or(Preset(texts::kThresholdDefault));
  settings.DragInput = request.drag ? kTrue : kFalse;
  settings.Strokes = request.strokes;
  settings.Dither =
      request.dither ? DitherStyle::FloydSteinberg : DitherStyle::Off;
  return settings;
}

std::string DrawUsage() {
  return "使い方: scrivlet draw PICTURE [--at X,Y] [--relative] "
         "[--magnification N]\n"
         "                      [--coarseness N] [--threshold N] [--drag]\n"
         "                      [--strokes] [--dither] [--swatch X,Y ...]\n"
         "  PICTURE を一度だけ描きます(F7 と同じ描き方)。F8 か "
         "scrivlet --abort で中止。\n"
         "  --at X,Y          始点(画面の座標)。省略時はマウスカーソルの位置\n"
         "  --relative        相対座標で描く(省略時は絶対座標)\n"
         "  --magnification N 拡大率   省略時はウィンドウの初期値\n"
         "  --coarseness N    粗さ     (座標の種類ごとのプリセット)\n"
         "  --threshold N     白黒の閾値\n"
         "  --drag            ドラッグ入力\n"
         "  --strokes         続いた黒を一本の線で描く\n"
         "  --dither          濃淡を点の密度で描く(誤差拡散)\n"
         "  --swatch X,Y      "
         "描く先の色見本の位置。その色で描く(繰り返して複数)\n"
         "  --swatch X,Y,RRGGBB  色も指定(画面を読めない環境向け)\n"
         "終了コード: 0 描き終えた / 1 エラーか中止 / 2 使い方の誤り\n";
}

}  // namespace scrivlet
