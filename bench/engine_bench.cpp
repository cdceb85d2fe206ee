// The drawing engine alone on a large picture, with a desktop that discards
// events: how fast the plotters sample and produce events, and their memory.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdint>
#include <vector>

#include "engine/ditherer.h"
#include "engine/ink_grid.h"
#include "engine/plotter.h"
#include "engine/stroke_planner.h"

namespace scrivlet {
namespace {

class DiscardingDesktop : public PlatformInput {
 public:
  ScreenPoint GetCursorPos() override { return {10, 10}; }
  void mouse_event(std::uint32_t /*flags*/, std::int32_t dx,
                   std::int32_t dy) override {
    ++events;
    benchmark::DoNotOptimize(dx + dy);
  }
  std::uint16_t GetAsyncKeyState(int /*virtual_key*/) override { return 0; }
  DesktopArea DesktopBounds() override { return {0, 0, 7680, 4320}; }
  void SetWindowPos(NativeWindow /*window*/, ZOrder /*order*/) override {}
  std::optional<COLORREF> ReadScreenPixel(ScreenPoint /*at*/) override {
    return std::nullopt;
  }
  void Flush() override {}

  std::int64_t events = 0;
};

// Diagonal strokes over white: about a fifth of the pixels are dark, like
// the built-in sample.
class StrokePicture : public PictureView {
 public:
  StrokePicture(std::int32_t width, std::int32_t height)
      : width_(width),
        height_(height),
        pixels_(static_cast<std::size_t>(width) *
                static_cast<std::size_t>(height)) {
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = 0; x < width; ++x) {
        const bool dark = (x + y) % 10 < 2;
        pixels_[Index(x, y)] = dark ? 0x202020U : 0xFFFFFFU;
      }
    }
  }
  [[nodiscard]] double ScaleWidth() const override { return width_; }
  [[nodiscard]] double ScaleHeight() const override { return height_; }
  [[nodiscard]] COLORREF GetPixel(std::int32_t x,
                                  std::int32_t y) const override {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColour;
    return pixels_[Index(x, y)];
  }

 private:
  [[nodiscard]] std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }
  std::int32_t width_;
  std::int32_t height_;
  std::vector<COLORREF> pixels_;
};

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

template <auto Plotter, bool Strokes = false>
void BM_Plotter(benchmark::State& state) {
  const auto side = static_cast<std::int32_t>(state.range(0));
  const auto coarseness = static_cast<std::int16_t>(state.range(1));
  const StrokePicture picture(side, side);
  DrawSettings settings{coarseness, 1, 200, kFalse};
  settings.Strokes = Strokes;
  const std::int64_t per_axis = side / coarseness + 1;
  std::int64_t events = 0;
  for (auto _ : state) {
    DiscardingDesktop desktop;
    Plotter(desktop, picture, settings, nullptr);
    events += desktop.events;
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(per_axis * per_axis) * iterations,
                         benchmark::Counter::kIsRate);
  state.counters["events/s"] = benchmark::Counter(static_cast<double>(events),
                                                  benchmark::Counter::kIsRate);
  state.counters["peak_MiB"] = PeakResidentMiB();
}

BENCHMARK(BM_Plotter<DrawAbsolute>)
    ->Name("DrawAbsolute")
    ->Args({346, 2})
    ->Args({3000, 2})
    ->Args({3000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plotter<DrawRelative>)
    ->Name("DrawRelative")
    ->Args({346, 2})
    ->Args({3000, 2})
    ->Args({3000, 1})
    ->Unit(benchmark::kMillisecond);
// The line style: reading, planning and one press-move-release per run.
BENCHMARK(BM_Plotter<DrawAbsolute, true>)
    ->Name("DrawAbsoluteStrokes")
    ->Args({346, 2})
    ->Args({3000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plotter<DrawRelative, true>)
    ->Name("DrawRelativeStrokes")
    ->Args({346, 2})
    ->Args({3000, 1})
    ->Unit(benchmark::kMillisecond);

// The ditherer alone over a grid read beforehand; a mid-grey field under the
// strokes, so that error diffusion has work everywhere.
template <DitherStyle Style>
void BM_Dither(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  const StrokePicture picture(width, height);
  SampleColours samples = ReadSamples(picture, {1, 1, 200, kFalse});
  for (COLORREF& colour : samples.colour) {
    if (colour == 0xFFFFFFU) colour = 0x808080U;
  }
  const Palette palette = BlackOnWhite();
  for (auto _ : state) {
    benchmark::DoNotOptimize(Dither(samples, Style, palette, 200).tone.data());
  }
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(samples.colour.size()) *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// The stroke planner alone over the strokes' ink grid.
void BM_PlanStrokes(benchmark::State& state) {
  const auto width = static_cast<std::int32_t>(state.range(0));
  const auto height = static_cast<std::int32_t>(state.range(1));
  const StrokePicture picture(width, height);
  const InkGrid ink = BuildInkGrid(picture, {1, 1, 200, kFalse}, 200);
  std::size_t strokes = 0;
  for (auto _ : state) strokes = PlanStrokes(ink).strokes.size();
  state.counters["samples/s"] =
      benchmark::Counter(static_cast<double>(ink.ink.size()) *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["strokes"] = static_cast<double>(strokes);
}

BENCHMARK(BM_Dither<DitherStyle::FloydSteinberg>)
    ->Name("DitherFloydSteinberg")
    ->Args({346, 93})
    ->Args({3000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dither<DitherStyle::Bayer>)
    ->Name("DitherBayer")
    ->Args({346, 93})
    ->Args({3000, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanStrokes)
    ->Name("PlanStrokes")
    ->Args({346, 93})
    ->Args({3000, 3000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace scrivlet

BENCHMARK_MAIN();
