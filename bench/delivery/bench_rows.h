#pragma once

// What the benchmarks into paint programs share: the target named on the
// command line, and a note on what the pacer did for a row.

#include <stdexcept>
#include <string>

#include "delivery/delivery_pacer.h"
#include "paint_program.h"

namespace scrivlet::bench {

inline const testing::PaintProgramKind& KindNamed(const std::string& name) {
  for (const testing::PaintProgramKind& kind : testing::PaintPrograms()) {
    if (kind.name == name) {
      return kind;
    }
  }
  throw std::invalid_argument("no paint program kind named " + name);
}

// `unpaced` for a desktop without the pacer in front.
inline std::string PacerNote(PlatformInput& desktop,
                             const std::string& unpaced = {}) {
  const auto* pacer = dynamic_cast<DeliveryPacer*>(&desktop);
  if (pacer == nullptr) {
    return unpaced;
  }
  const PacingStats& stats = pacer->stats();
  const std::string inks =
      stats.swatch_clicks == 0
          ? ""
          : std::to_string(stats.swatch_clicks) + " swatch clicks, " +
                std::to_string(stats.wrong_ink) + " seen in another ink, ";
  return inks + std::to_string(stats.batches) + " batches, " +
         std::to_string(stats.looks) + " looks, " +
         std::to_string(stats.repaired) + " repaired, " +
         std::to_string(stats.timed_out) + " timed out, " +
         std::to_string(stats.strays) + " strays seen" +
         (pacer->trust().DrawnLate() ? ", drawn before shown" : "");
}

}  // namespace scrivlet::bench
