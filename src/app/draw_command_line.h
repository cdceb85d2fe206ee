#pragma once

// `scrivlet draw PICTURE [options]`: the command line of a one-shot drawing
// for scripts, read without touching anything. Settings left out are the
// window's start-up values for the chosen mode.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/draw_settings.h"
#include "engine/draw_trigger.h"
#include "platform/platform_input.h"

namespace scrivlet {

struct DrawRequest {
  std::string picture;  // as given: raw bytes on Unix, UTF-8 on Windows
  std::optional<ScreenPoint> at;  // unset: where the pointer is
  CoordinateMode mode = CoordinateMode::Absolute;
  std::optional<std::int16_t> magnification;
  std::optional<std::int16_t> coarseness;
  std::optional<std::int16_t> threshold;
  bool drag = false;
  bool strokes = false;  // runs of ink as strokes
  bool dither = false;   // Floyd-Steinberg ink
  // --swatch: the target's swatches, in the order given; each colour is
  // read from the screen at its point unless given.
  struct Swatch {
    ScreenPoint at;
    std::optional<COLORREF> colour;
    friend bool operator==(const Swatch&, const Swatch&) = default;
  };
  std::vector<Swatch> swatches;
};

// Why the command line cannot be used; printed above the usage text.
struct UsageError {
  std::string message;
};

// The first word of `arguments` is "draw".
bool IsDrawCommand(const std::vector<std::string>& arguments);

// Reads the words after "draw".
std::variant<DrawRequest, UsageError> ParseDrawCommandLine(
    const std::vector<std::string>& words);

// The settings the drawing runs with: the request's, else the window's
// presets for its mode.
DrawSettings SettingsFor(const DrawRequest& request);

// The usage text and what the exit status means.
std::string DrawUsage();

inline constexpr int kDrawDone = 0;
inline constexpr int kDrawFailed = 1;
inline constexpr int kDrawBadUsage = 2;

}  // namespace scrivlet
