#pragma once

// Where "HPを見る" leads: the project's own documentation.

namespace scrivlet {

inline constexpr const char* kHomePageUrl =
    "https://github.com/scrivlet/scrivlet#readme";

}  // namespace scrivlet
