#pragma once

// Strokes of both directions at once: where a picture has upright and level
// parts, some runs down and some across take fewer strokes than either
// direction alone.

#include <cstddef>
#include <vector>

#include "engine/ink_grid.h"
#include "engine/stroke_planner.h"

namespace scrivlet {

// Strokes along columns and rows that between them ink every ink sample
// once, no two sharing a sample, so a target's pixel checks can tell each
// stroke from the others. The fewest runs that cover the ink, found by
// König's theorem (a minimum vertex cover is a maximum matching between
// each sample's column run and its row run); a sample both chosen runs
// cover goes to the run it would otherwise split, else to `axis`'s run.
// In no particular order; none where they cannot be fewer than
// `fewer_than`.
std::vector<Stroke> CoverStrokes(const InkGrid& ink, StrokeAxis axis,
                                 std::size_t fewer_than);

}  // namespace scrivlet
