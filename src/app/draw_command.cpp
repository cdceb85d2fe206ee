#include "app/draw_command.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>

#include "app/draw_command_desktop.h"
#include "app/draw_command_line.h"
#include "app/open_desktop.h"
#include "delivery/delivery_pacer.h"
#include "engine/drawing_watch.h"
#include "session/drawing_lock.h"
#include "window/core/shown_picture.h"
#include "window/core/window_texts.h"

#ifdef _WIN32
#include "platform/win32/win32_api.h"
// <windows.h> renames OpenDesktop to OpenDesktopA.
#undef OpenDesktop
#else
#include <csignal>

#include "session/draw_channel.h"
#endif

namespace scrivlet {
namespace {

void Say(const std::string& text) {
  std::cerr << "scrivlet draw: " << text << '\n';
}

#ifdef _WIN32

BOOL WINAPI OnConsoleControl(DWORD /*event*/) {
  RequestEnd();  // stops the drawing at its next dot, button up
  return TRUE;
}

// Ctrl+C and a closed console stop the drawing as F8 does.
void StopOnInterrupt() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

// Windows has no command channel: F8 is read from the keyboard itself.
std::function<bool()> OpenAbortChannel() { return {}; }

#else

extern "C" void OnSignalWhileDrawing(int /*number*/) { RequestEnd(); }

// Ctrl+C, kill and a closed terminal stop the drawing as F8 does, so the
// button is never left down.
void StopOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnSignalWhileDrawing;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    ::sigaction(number, &action, nullptr);
  }
}

// Where `scrivlet --abort` reaches this drawing. Throws PlatformError.
std::function<bool()> OpenAbortChannel() {
  std::shared_ptr<DrawChannel> channel = DrawChannel::Listen(DrawChannelPath());
  return [channel] { return channel->AbortAsked(); };
}

#endif

// The window's part around the trigger, for a drawing without a window.
class CommandHost final : public DrawHost {
 public:
  explicit CommandHost(CoordinateMode mode) : mode_(mode) {}
  [[nodiscard]] CoordinateMode SelectedMode() const override { return mode_; }
  void SetTimerEnabled(bool /*enabled*/) override {}
  void ReportProblem(const std::string& message) override {
    problem_ = message;
  }
  void ColumnDone(int /*done*/, int /*total*/) override {}
  [[nodiscard]] const std::string& problem() const { return problem_; }

 private:
  CoordinateMode mode_;
  std::string problem_;
};

std::string Summary(const PacingStats& stats, double seconds, bool colour) {
  std::ostringstream line;
  line.setf(std::ios::fixed);
  line.precision(2);
  line << "dots=" << stats.dots << " strokes=" << stats.strokes
       << " confirmed=" << stats.confirmed << " repaired=" << stats.repaired
       << " unseen=" << stats.safe_paced + stats.timed_out;
  if (colour) {
    line << " swatch_clicks=" << stats.swatch_clicks
         << " wrong_ink=" << stats.wrong_ink;
  }
  line << " seconds=" << seconds;
  return line.str();
}

// The inks of the request's swatches, each colour as given or as the
// screen shows it there; nullopt after saying why not.
std::optional<InkList> InksOf(const DrawRequest& request,
                              PlatformInput& desktop) {
  InkList inks;
  bool unchecked = false;
  for (const DrawRequest::Swatch& swatch : request.swatches) {
    const std::optional<COLORREF> shown = desktop.ReadScreenPixel(swatch.at);
    const std::optional<COLORREF> colour =
        swatch.colour ? swatch.colour : shown;
    if (!colour) {
      Say("画面を読み取れないため、色見本 " + std::to_string(swatch.at.x) +
          "," + std::to_string(swatch.at.y) +
          " の色が分かりません(--swatch X,Y,RRGGBB で色を指定してください)");
      return std::nullopt;
    }
    unchecked = unchecked || !shown;
    inks.push_back({swatch.at, *colour});
  }
  if (unchecked) {
    Say("この画面は読み取れないため、描いた色が合っているかは確かめません");
  }
  return inks;
}

// The picture as a drop would load it; empty after saying why not.
std::unique_ptr<ShownPicture> LoadPicture(PictureDecoder& decoder,
                                          const std::string& path) {
  DecodedPicture load;
  try {
    load = decoder.Decode(path);
  } catch (const std::bad_alloc&) {
    load.problem = texts::kDropOutOfMemory;
  }
  if (!load.problem.empty() || load.picture.empty()) {
    Say((load.problem.empty() ? std::string(texts::kDropBroken)
                              : load.problem) +
        ": " + path);
    return nullptr;
  }
  return std::make_unique<ShownPicture>(std::move(load.picture));
}

int Draw(const DrawRequest& request, const PictureView& picture) {
  const std::unique_ptr<DrawingLock> lock = DrawingLock::TryTake();
  if (!lock) {
    Say(kDrawingElsewhere);
    return kDrawFailed;
  }
  const std::function<bool()> abort_asked = OpenAbortChannel();
  StopOnInterrupt();
  std::unique_ptr<DeliveryPacer> paced;
  try {
    paced = OpenPacedDesktop();
  } catch (const PlatformError& error) {
    Say(std::string(texts::kDesktopFailed) + "\n(" + error.what() + ")");
    return kDrawFailed;
  }
  DrawSettings settings = SettingsFor(request);
  if (const std::optional<InkList> inks = InksOf(request, *paced)) {
    settings.Inks = *inks;
  } else {
    return kDrawFailed;
  }
  DrawCommandDesktop desktop(*paced, request.at, abort_asked);
  CommandHost host(request.mode);
  const auto began = std::chrono::steady_clock::now();
  const TickResult result = DrawTriggerTick(desktop, picture, settings, host);
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - began;
  if (result != TickResult::Refused) {
    std::cout << Summary(paced->stats(), took.count(), !settings.Inks.empty())
              << std::endl;
  }
  switch (result) {
    case TickResult::Drawn:
      // Ran to its end, but not every dot could be seen to land: a failure.
      if (const int lost = paced->DotsNotLanded(); lost > 0) {
        std::string text = texts::kDrawingIncomplete;
        text.replace(text.find("%1"), 2, std::to_string(lost));
        Say(text);
        return kDrawFailed;
      }
      return kDrawDone;
    case TickResult::Aborted:
      Say("描画を中止しました(F8)");
      return kDrawFailed;
    case TickResult::Idle:
    case TickResult::Refused:
    case TickResult::Failed:
      break;
  }
  Say(host.problem());
  return kDrawFailed;
}

}  // namespace

int RunDrawCommand(const std::vector<std::string>& words,
                   PictureDecoder& decoder) {
  const auto parsed = ParseDrawCommandLine(words);
  if (const auto* usage = std::get_if<UsageError>(&parsed)) {
    Say(usage->message);
    std::cerr << DrawUsage();
    return kDrawBadUsage;
  }
  const auto& request = std::get<DrawRequest>(parsed);
  try {
    const std::unique_ptr<ShownPicture> picture =
        LoadPicture(decoder, request.picture);
    return picture ? Draw(request, *picture) : kDrawFailed;
  } catch (const std::exception& error) {
    Say(error.what());
    return kDrawFailed;
  }
}

}  // namespace scrivlet
