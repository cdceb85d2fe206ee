#pragma once

// Planning strokes: each run of consecutive ink samples along a column or a
// row becomes one press-move-release; where runs of both directions take
// fewer strokes, some go down and some across.

#include <cstdint>
#include <vector>

#include "engine/ink_grid.h"

namespace scrivlet {

enum class StrokeAxis : std::uint8_t { Columns, Rows };

struct SamplePoint {
  int column = 0;
  int row = 0;
  friend bool operator==(const SamplePoint&, const SamplePoint&) = default;
};

// From `first` to `last` along one column (top to bottom) or one row (left
// to right). Equal ends: a dot.
struct Stroke {
  SamplePoint first;
  SamplePoint last;
  friend bool operator==(const Stroke&, const Stroke&) = default;
  [[nodiscard]] bool dot() const { return first == last; }
};

struct StrokePlan {
  StrokeAxis axis = StrokeAxis::Columns;
  // Line by line of `axis`, each line in walking order. Strokes across
  // `axis` start on the line of their first sample.
  std::vector<Stroke> strokes;
};

// The column or row of `axis` a stroke starts on.
inline int LineOf(const Stroke& stroke, StrokeAxis axis) {
  return axis == StrokeAxis::Columns ? stroke.first.column : stroke.first.row;
}

// Walks columns or rows, whichever has fewer runs, on a tie columns, the
// order the dot plotters walk. Runs of both directions replace those when
// they take fewer strokes (see CoverStrokes); no two strokes share a
// sample.
StrokePlan PlanStrokes(const InkGrid& ink);

}  // namespace scrivlet
