#pragma once

// Every text the main window shows, UTF-8.

namespace scrivlet::texts {

inline constexpr const char* kCaption = "Scrivlet - 手書き入力";
inline constexpr const char* kMainPage = "メイン";
inline constexpr const char* kSettingsPage = "設定";
inline constexpr const char* kImageLabel = "画像：";
inline constexpr const char* kSettingsFrame = "設定 (基本的には変更しないでね)";
inline constexpr const char* kHomePageButton = "HPを見る";
inline constexpr const char* kMakerNotice =
    "Scrivlet プロジェクト作 ・ 自由に使ってね";
inline constexpr const char* kWholeNumbersNote =
    "※ボックスには整数値を入力してください";
inline constexpr const char* kAbsolute = "絶対座標";
inline constexpr const char* kRelative = "相対座標";
inline constexpr const char* kTopmost = "最前面";
inline constexpr const char* kDragInput = "ドラッグ入力";
inline constexpr const char* kMagnificationLabel = "拡大率(1～)";
inline constexpr const char* kCoarsenessLabel = "粗さ(1～)";
inline constexpr const char* kThresholdLabel = "白黒の閾値(0～255)";
inline constexpr const char* kMagnificationDefault = "1";
inline constexpr const char* kCoarsenessDefault = "2";
inline constexpr const char* kThresholdDefault = "200";

// Page 2, "描き方": how the picture is drawn, and a preview of it.
inline constexpr const char* kStylePage = "描き方";
inline constexpr const char* kStyleFrame = "描き方";
inline constexpr const char* kDots = "点";
inline constexpr const char* kStrokes = "線";
inline constexpr const char* kDitherFrame = "ディザリング";
inline constexpr const char* kDitherNone = "なし";
inline constexpr const char* kDitherDiffusion = "誤差拡散";
inline constexpr const char* kDitherOrdered = "組織的";
inline constexpr const char* kPreview = "プレビュー";

// The preview's count and time estimate, filled in at %1 and %2.
inline constexpr const char* kDotCount = "点の数: %1";
inline constexpr const char* kStrokeCount = "線の数: %1";
inline constexpr const char* kEstimate = "予想時間: %1";
inline constexpr const char* kEstimateUnknown = "不明";
inline constexpr const char* kSeconds = "約%1秒";
inline constexpr const char* kMinutes = "約%1分%2秒";

// The target's own inks on the 描き方 page; %1 is a number.
inline constexpr const char* kRegisterInks = "色を登録";
inline constexpr const char* kEndRegistering = "登録を終わる";
inline constexpr const char* kNoInks = "登録した色: なし(黒で描きます)";
inline constexpr const char* kInkCount =
    "登録した色: %1色(色をクリックすると削除します)";
inline constexpr const char* kRegistering =
    "描く先の色見本の上にマウスを置いてF7で登録、F8で終わります";
inline constexpr const char* kInkChipMark = "×";
inline constexpr const char* kNoScreenRead =
    "この環境では画面の色を読めないため、色を登録できません(黒で描きます)";
inline constexpr const char* kInkUnreadable = "その場所の色を読めませんでした";
inline constexpr const char* kInksFull = "登録できる色は%1色までです";
inline constexpr const char* kInkTwice = "その色はもう登録されています";

// Printed when there is no display to open the window on.
inline constexpr const char* kNoDisplay =
    "画面(ディスプレイ)に接続できないので起動できません";

// The caption while a drawing runs; %1 is the percentage done.
inline constexpr const char* kDrawingCaption =
    "Scrivlet - 手書き入力 (描画中 %1%)";

// A drawing that ran to its end with dots that never showed; %1 is how
// many.
inline constexpr const char* kDrawingIncomplete =
    "描画は終わりましたが、%1ドットが描けませんでした"
    "(ほかのプログラムがマウスを使っていたか、色見本が登録した色を"
    "選ばなかったためです)";

// Why a drop did not replace the picture.
inline constexpr const char* kDropNoFile = "ファイルをドロップしてください";
inline constexpr const char* kDropNotFound = "ファイルが見つかりません";
inline constexpr const char* kDropFolder = "フォルダは読み込めません";
inline constexpr const char* kDropUnreadable = "ファイルを開けません";
inline constexpr const char* kDropNotPicture = "画像ファイルではありません";
inline constexpr const char* kDropBroken = "画像が壊れていて読み込めません";
inline constexpr const char* kDropNotRegular =
    "通常のファイルではないので読み込めません";
inline constexpr const char* kDropTooLarge =
    "画像が大きすぎます(合計4000万ドットまで)";
// The drawing loops count in 16 bits: a wider picture always overflows.
inline constexpr const char* kDropTooWide =
    "画像の幅か高さが描画できる大きさを超えています(縦横32766ドットまで)";
inline constexpr const char* kDropOutOfMemory =
    "メモリが足りないため画像を読み込めません";

// A paste that holds neither a picture nor a file.
inline constexpr const char* kPasteNothing =
    "クリップボードに画像もファイルもありません";

inline constexpr const char* kHomePageFailed = "ホームページを開けませんでした";
inline constexpr const char* kTopmostFailed = "最前面にできませんでした";
inline constexpr const char* kKeyStateFailed = "F7キーを読めませんでした";
inline constexpr const char* kOutOfMemory = "メモリが足りません";
inline constexpr const char* kUnexpectedError = "予期しないエラーが起きました";
inline constexpr const char* kDesktopFailed =
    "デスクトップを操作できないので起動できません";

}  // namespace scrivlet::texts
