#include "app/draw_command_line.h"

#include <charconv>
#include <limits>
#include <string_view>

#include "window/core/option_presets.h"
#include "window/core/text_to_integer.h"
#include "window/core/window_texts.h"

namespace scrivlet {
namespace {

// Options that belong to features still to come: named, so that a script
// written for them fails clearly instead of drawing something else.
constexpr std::string_view kNotYet[] = {"--swatch"};

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
    for (const std::string_view not_yet : kNotYet) {
      if (word == not_yet) {
        return UsageError{std::string(word) +
                          " はまだ使えません(not available yet)"};
      }
    }
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
                             word == "--coarseness" || word == "--threshold";
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
         "                      [--strokes] [--dither]\n"
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
         "  --swatch X,Y は今後の機能で、まだ使えません\n"
         "終了コード: 0 描き終えた / 1 エラーか中止 / 2 使い方の誤り\n";
}

}  // namespace scrivlet
