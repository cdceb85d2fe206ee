#include "engine/stroke_planner.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "engine/stroke_cover.h"

namespace scrivlet {
namespace {

// A sample seen along `axis`: line `line`, position `at` on it.
bool InkAlong(const InkGrid& ink, StrokeAxis axis, int line, int at) {
  return axis == StrokeAxis::Columns ? ink.At(line, at) : ink.At(at, line);
}

SamplePoint PointAlong(StrokeAxis axis, int line, int at) {
  return axis == StrokeAxis::Columns ? SamplePoint{line, at}
                                     : SamplePoint{at, line};
}

// Calls found(line, start, end) for every run along `axis`.
template <typename Found>
void ForEachRun(const InkGrid& ink, StrokeAxis axis, Found found) {
  const bool columns = axis == StrokeAxis::Columns;
  const int lines = columns ? ink.columns : ink.rows;
  const int length = columns ? ink.rows : ink.columns;
  for (int line = 0; line < lines; ++line) {
    int at = 0;
    while (at < length) {
      if (!InkAlong(ink, axis, line, at)) {
        ++at;
        continue;
      }
      const int start = at;
      while (at + 1 < length && InkAlong(ink, axis, line, at + 1)) ++at;
      found(line, start, at);
      ++at;
    }
  }
}

std::size_t CountRuns(const InkGrid& ink, StrokeAxis axis) {
  std::size_t runs = 0;
  ForEachRun(ink, axis, [&runs](int, int, int) { ++runs; });
  return runs;
}

}  // namespace

StrokePlan PlanStrokes(const InkGrid& ink) {
  const std::size_t down = CountRuns(ink, StrokeAxis::Columns);
  const std::size_t across = CountRuns(ink, StrokeAxis::Rows);
  StrokePlan plan;
  plan.axis = across < down ? StrokeAxis::Rows : StrokeAxis::Columns;
  const std::size_t fewest = std::min(across, down);
  std::vector<Stroke> mixed = CoverStrokes(ink, plan.axis, fewest);
  if (!mixed.empty() && mixed.size() < fewest) {
    // Walked line by line like the others: by the line each starts on.
    const auto key = [axis = plan.axis](const Stroke& stroke) {
      const int along =
          axis == StrokeAxis::Columns ? stroke.first.row : stroke.first.column;
      return std::pair{LineOf(stroke, axis), along};
    };
    std::sort(
        mixed.begin(), mixed.end(),
        [&key](const Stroke& a, const Stroke& b) { return key(a) < key(b); });
    plan.strokes = std::move(mixed);
    return plan;
  }
  plan.strokes.reserve(plan.axis == StrokeAxis::Rows ? across : down);
  ForEachRun(ink, plan.axis, [&plan](int line, int start, int end) {
    plan.strokes.push_back(
        {PointAlong(plan.axis, line, start), PointAlong(plan.axis, line, end)});
  });
  return plan;
}

}  // namespace scrivlet
