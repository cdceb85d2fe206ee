#pragma once

// How the pacer looks at the screen and repairs, and what it counts.

#include <chrono>
#include <cstdint>

#include "delivery/delivery_trust.h"
#include "delivery/pacing_clock.h"

namespace scrivlet {

struct PacingPolicy {
  DeliveryPolicy trust;
  // The first look at the screen after a batch, and the longest gap between
  // looks: a look captures the whole rectangle, so it is never repeated
  // faster than this, and a longer wait looks less often (a quarter of the
  // time waited so far).
  PacingClock::Duration first_look = std::chrono::microseconds(250);
  PacingClock::Duration max_look_interval = std::chrono::milliseconds(8);
  // Where the desktop reports drawing, a look comes as soon as something
  // was drawn, but no sooner than this after the previous look, so that a
  // busy screen elsewhere does not keep the rectangle being read.
  PacingClock::Duration min_look_gap = std::chrono::microseconds(100);
  // How often F8 is looked at during a wait or a paced batch.
  PacingClock::Duration abort_check_interval = std::chrono::milliseconds(10);
  // A dot missing is sent again only once no new dot has shown for this
  // long (about a frame), so that a frame caught half drawn does not count.
  PacingClock::Duration repair_after = std::chrono::milliseconds(20);
  // The least pause after a dot sent again.
  PacingClock::Duration min_repair_pace = std::chrono::microseconds(500);
  // Times a dot is sent again at most.
  int max_repairs = 12;
  // The largest rectangle captured per look; a batch ends before it grows
  // beyond this.
  std::int64_t max_batch_pixels = std::int64_t{256} * 256;
  // While another program holds the pointer, how often delivery asks
  // whether it has let go, and how long it waits before the drawing fails.
  PacingClock::Duration held_poll = std::chrono::milliseconds(10);
  PacingClock::Duration max_held_wait = std::chrono::seconds(60);
};

// What became of the dots and drag strokes so far.
struct PacingStats {
  int dots = 0;           // clicks delivered
  int strokes = 0;        // drag strokes onto a new pixel
  int confirmed = 0;      // dots and strokes seen to land on the screen
  int late = 0;           // of those, seen only after the confirm bound
  int timed_out = 0;      // expected to show but did not within the bound
  int safe_paced = 0;     // could not be seen, sent at the safe pace
  int repaired = 0;       // sent again after later dots showed
  int batches = 0;        // captures before sending
  int looks = 0;          // captures while waiting
  int strays = 0;         // pixels inked where no dot was aimed
  int held = 0;           // waits while another program held the pointer
  int wrong_ink = 0;      // dots seen in another ink, sent again
  int swatch_clicks = 0;  // swatch clicks, those sent again among them

  friend bool operator==(const PacingStats&, const PacingStats&) = default;
};

}  // namespace scrivlet
