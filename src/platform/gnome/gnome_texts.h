#pragma once

// What GNOME's remote-desktop route tells the user on stderr.

namespace scrivlet::texts {

// Followed by the reason, as the desktop gave it.
inline constexpr const char* kGnomeScreenUnread =
    "GNOME の画面を読み取れないため、点を確認せずに安全な間隔で送ります: ";

}  // namespace scrivlet::texts
