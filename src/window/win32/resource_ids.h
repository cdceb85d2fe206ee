#pragma once

// Resource ids shared by scrivlet.rc and the code; plain macros, since the
// resource compiler reads this file too.

// NOLINTNEXTLINE(cppcoreguidelines-macro-usage, modernize-macro-to-enum)
#define IDI_SCRIVLET 1
// NOLINTNEXTLINE(cppcoreguidelines-macro-usage, modernize-macro-to-enum)
#define IDR_SAMPLE_GIF 2
