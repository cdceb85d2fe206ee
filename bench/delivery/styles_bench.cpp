// The drawing styles in a real target: the built-in sample drawn as dots
// and as strokes, a grey picture drawn as a threshold drawing and
// dithered, and four flat shapes drawn in black and in four of the
// target's own inks, each through pipelined delivery as Scrivlet draws. Run on
// an X desktop (scripts/bench-styles.sh starts each desktop and calls this once
// per desktop):
//
//   styles_bench DESKTOP TARGET
//
// Prints one table row per drawing and a row of what the goals ask for.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/open_desktop.h"
#include "artwork.h"
#include "bench_rows.h"
#include "delivery/delivery_pacer.h"
#include "dot_pattern.h"
#include "engine/colour.h"
#include "engine/draw_plan.h"
#include "engine/plotter.h"
#include "ink_shapes.h"
#include "paint_program.h"
#include "platform/desktop.h"
#include "poll_for.h"
#include "settled_canvas.h"

namespace scrivlet::bench {
namespace {

using testing::PaintProgram;
using testing::PaintProgramKind;
using testing::PlotMode;

// A grid of brightness blurred by a 5 x 5 box, edges repeated.
std::vector<double> Blurred(const std::vector<double>& light, int width,
                            int height) {
  std::vector<double> out(light.size());
  const auto at = [width](int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x);
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double sum = 0;
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          const int sx = std::clamp(x + dx, 0, width - 1);
          const int sy = std::clamp(y + dy, 0, height - 1);
          sum += light[at(sx, sy)];
        }
      }
      out[at(x, y)] = sum / 25;
    }
  }
  return out;
}

// How far a drawing's tones are from the picture's: the mean difference of
// brightness (0..1) between the picture and the drawing captured in `image`
// from `origin`, one screen pixel per picture pixel, both blurred by the same
// 5 x 5 box, over the picture's area. The drawing is read as black where
// it is not `paper` and white where it is, whatever colours the target
// paints with (mtpaint's are red on black).
double BlurredToneError(const PictureView& picture, const ScreenImage& image,
                        ScreenPoint origin, COLORREF paper) {
  const int width = static_cast<int>(picture.ScaleWidth()) + 1;
  const int height = static_cast<int>(picture.ScaleHeight()) + 1;
  std::vector<double> wanted;
  std::vector<double> drawn;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      wanted.push_back(Brightness(picture.GetPixel(x, y)) / 255);
      drawn.push_back(image.At({origin.x + x, origin.y + y}) == paper ? 1.0
                                                                      : 0.0);
    }
  }
  const std::vector<double> a = Blurred(wanted, width, height);
  const std::vector<double> b = Blurred(drawn, width, height);
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    sum += std::abs(a[i] - b[i]);
  }
  return sum / static_cast<double>(a.size());
}

// The built-in sample as the window shows it: its palette's greys, white
// beyond the picture inside the box.
class SamplePicture final : public PictureView {
 public:
  SamplePicture() : image_(art::SampleArtwork()) {}
  [[nodiscard]] double ScaleWidth() const override { return image_.width; }
  [[nodiscard]] double ScaleHeight() const override { return image_.height; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override {
    if (x < 0 || y < 0 || x > image_.width || y > image_.height) {
      return kInvalidColour;
    }
    if (x == image_.width || y == image_.height) {
      return 0xFFFFFF;
    }
    const art::Rgb rgb = image_.palette[image_.at(x, y)];
    return rgb.red | (rgb.green << 8U) | (rgb.blue << 16U);
  }

 private:
  art::IndexedImage image_;
};

// DitherStyle::None, which Xlib's macro None hides here.
constexpr DitherStyle kThresholdOnly{};

struct Drawing {
  std::string picture;  // "sample", "grey" or "shapes"
  std::string style;
  bool strokes = false;
  DitherStyle dither = kThresholdOnly;
  std::int16_t threshold = 200;
  bool paced = true;  // through pipelined delivery, or back to back
  bool inks = false;  // shapes: in the target's swatches, not black
};

// Coarseness 1, one pixel per sample: every dark pixel of the picture.
// The grey picture's threshold drawing takes the middle grey as its limit;
// dithered, every brightness can get ink.
const std::vector<Drawing>& Drawings() {
  static const std::vector<Drawing> drawings{
      {"sample", "dots", false},
      {"sample", "strokes", true},
      {"grey", "threshold, strokes", true, kThresholdOnly, 128},
      {"grey", "Floyd-Steinberg, strokes", true, DitherStyle::FloydSteinberg,
       255},
      {"grey", "Bayer, strokes", true, DitherStyle::Bayer, 255},
      // Dense single dots with nothing to keep the target from being
      // overrun: where it smears, which pattern suffers less.
      {"grey", "Floyd-Steinberg, dots, back to back", false,
       DitherStyle::FloydSteinberg, 255, false},
      {"grey", "Bayer, dots, back to back", false, DitherStyle::Bayer, 255,
       false},
      // Shapes in four colours a little off four of the target's swatches:
      // in black, then each in its nearest swatch's ink.
      {"shapes", "black, dots", false},
      {"shapes", "4 inks, dots", false, kThresholdOnly, 200, true, true},
  };
  return drawings;
}

struct Result {
  double seconds = 0;
  double inked = 0;  // percent of the pixels to ink
  int stray = 0;
  int expected = 0;
  double error = -1;  // blurred tone error, grey picture only
  int wrong = 0;      // samples in a wrong ink, inks only
};

Result Measure(const std::string& desktop_name, const PaintProgramKind& kind,
               const Drawing& drawing) {
  PaintProgram program(kind);
  const ScreenRect canvas = program.canvas();
  const SamplePicture sample;
  const testing::GreyPicture grey(79, 49);
  const InkList inks = drawing.picture == "shapes"
                           ? testing::FindPrimarySwatches(program)
                           : InkList{};
  const testing::InkShapes shapes(inks);
  const PictureView& picture =
      drawing.picture == "sample" ? static_cast<const PictureView&>(sample)
      : drawing.picture == "grey" ? static_cast<const PictureView&>(grey)
                                  : shapes;
  DrawSettings settings{1, 1, drawing.threshold, kFalse};
  if (drawing.inks) {
    settings.Inks = inks;
  }
  settings.Strokes = drawing.strokes;
  settings.Dither = drawing.dither;
  const ScreenPoint origin{canvas.left + 12, canvas.top + 12};
  const std::vector<ScreenPoint> ink =
      testing::ExpectedInk(picture, settings, PlotMode::Absolute, origin);
  const ScreenRect area{origin.x - 6, origin.y - 6,
                        static_cast<std::int32_t>(picture.ScaleWidth()) + 13,
                        static_cast<std::int32_t>(picture.ScaleHeight()) + 13};
  if (!testing::Holds(canvas, area)) {
    throw std::runtime_error("the " + drawing.picture +
                             " picture does not fit " + kind.name +
                             "'s canvas");
  }
  const int sent = static_cast<int>(
      PlanDrawing(picture, settings, settings.Threshold).Marks());

  Display* display = program.display();
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, origin.x,
               origin.y);
  XSync(display, False);
  std::unique_ptr<PlatformInput> desktop =
      drawing.paced ? OpenDesktop() : OpenNativeDesktop();
  const auto start = std::chrono::steady_clock::now();
  desktop->DrawingStarted();
  const PlotEnd end = DrawAbsolute(*desktop, picture, settings);
  desktop->DrawingEnded();
  Result result;
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  if (end != PlotEnd::Completed) {
    throw std::runtime_error("the drawing did not complete");
  }
  if (drawing.inks) {
    testing::InkCheck colours;
    testing::PollFor(
        [&] {
          colours = testing::CheckInks(program.Capture(area), inks, origin, 1,
                                       program.paper());
          return colours.right == colours.expected && colours.stray == 0;
        },
        std::chrono::seconds(5), std::chrono::milliseconds(100));
    if (colours.right < colours.expected || colours.stray > 0) {
      std::fprintf(stderr, "%s\n", testing::Describe(colours).c_str());
    }
    result.inked = 100.0 * colours.right / std::max(colours.expected, 1);
    result.stray = colours.stray;
    result.wrong = colours.wrong;
    result.expected = colours.expected;
    std::printf(
        "| %-7s | %-11s | %-7s | %-36s | %6d | %7.2f | %7.2f%% | %5d | "
        "%5d | %s\n",
        desktop_name.c_str(), kind.name.c_str(), drawing.picture.c_str(),
        drawing.style.c_str(), sent, result.seconds, result.inked, result.stray,
        result.wrong, PacerNote(*desktop).c_str());
    std::fflush(stdout);
    return result;
  }
  const testing::CanvasCheck check = SettledCheck(program, area, ink);
  result.inked = 100.0 * check.landed / std::max(check.expected, 1);
  result.stray = check.stray;
  if (check.stray > 0 || check.landed < check.expected) {
    std::fprintf(stderr, "missing: %s\nstray: %s\n",
                 testing::Describe(check.missing).c_str(),
                 testing::Describe(check.strays).c_str());
  }
  result.expected = check.expected;
  if (drawing.picture == "grey") {
    result.error = BlurredToneError(picture, program.Capture(area), origin,
                                    program.paper());
  }
  const std::string error =
      result.error < 0 ? "" : std::to_string(result.error).substr(0, 5);
  std::printf(
      "| %-7s | %-11s | %-7s | %-36s | %6d | %7.2f | %7.2f%% | %5d | %5s | "
      "%s\n",
      desktop_name.c_str(), kind.name.c_str(), drawing.picture.c_str(),
      drawing.style.c_str(), sent, result.seconds, result.inked, result.stray,
      error.c_str(), PacerNote(*desktop, "back to back").c_str());
  std::fflush(stdout);
  return result;
}

}  // namespace
}  // namespace scrivlet::bench

int main(int argc, char** argv) {
  using namespace scrivlet::bench;
  if (argc != 3) {
    std::fprintf(stderr, "usage: styles_bench DESKTOP TARGET\n");
    return 2;
  }
  try {
    const auto& kind = KindNamed(argv[2]);
    // STYLES_BENCH_ONLY=strokes measures the drawings whose picture and
    // style hold that text alone (looking into one target).
    const char* only = std::getenv("STYLES_BENCH_ONLY");
    std::vector<Result> results;
    for (const Drawing& drawing : Drawings()) {
      const std::string name = drawing.picture + " " + drawing.style;
      results.push_back(only != nullptr && name.find(only) == std::string::npos
                            ? Result{}
                            : Measure(argv[1], kind, drawing));
    }
    const Result& black = results[results.size() - 2];
    const Result& colour = results.back();
    if (colour.expected > 0 && black.expected > 0) {
      std::printf(
          "| %-7s | %-11s | **goals** | 4 inks: %.2f%% in the nearest ink, "
          "%d wrong, %d stray; %+.2f s over black | | | | | |\n",
          argv[1], kind.name.c_str(), colour.inked, colour.wrong, colour.stray,
          colour.seconds - black.seconds);
    }
    if (only != nullptr) {
      return 0;
    }
    const Result& dots = results[0];
    const Result& strokes = results[1];
    const Result& threshold = results[2];
    const Result& dithered = results[3];
    const bool clean =
        strokes.inked >= 99.0 && 100 * strokes.stray <= strokes.expected;
    std::printf(
        "| %-7s | %-11s | **goals** | strokes %.1fx as fast as dots%s | | | "
        "| | | dithered error %.2f of threshold's\n",
        argv[1], kind.name.c_str(), dots.seconds / strokes.seconds,
        clean ? "" : " (NOT 99 % inked with 1 % strays)",
        dithered.error / threshold.error);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "styles_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
