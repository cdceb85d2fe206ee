#pragma once

// What a second start of Scrivlet tells the user, on every desktop.

namespace scrivlet::texts {

inline constexpr const char* kInstanceRaised =
    "Scrivlet は既に起動しています。起動中のウィンドウを前面に出しました。";
inline constexpr const char* kInstanceBusy =
    "Scrivlet "
    "は既に起動しています。描画中のため、ウィンドウは前面に出しませんでした。";
inline constexpr const char* kInstanceNoAnswer =
    "Scrivlet は既に起動していますが、応答しませんでした。";

}  // namespace scrivlet::texts
