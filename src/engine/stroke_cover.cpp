#include "engine/stroke_cover.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace scrivlet {
namespace {

constexpr std::int32_t kNone = -1;
constexpr std::int32_t kFar = std::numeric_limits<std::int32_t>::max();

struct RowRun {
  int row = 0;
  int first = 0;  // columns, both included
  int last = 0;
};

enum Owner : std::uint8_t { kPaper, kAcross, kDown };

// The ink as a bipartite graph: one vertex per row run, one per column run,
// and one edge per ink sample between the two runs through it.
class RunGraph {
 public:
  explicit RunGraph(const InkGrid& ink) : ink_(ink) {
    down_.assign(Samples(), kNone);
    for (int column = 0; column < ink.columns; ++column) {
      for (int row = 0; row < ink.rows; ++row) {
        if (!ink.At(column, row)) continue;
        down_[Index(column, row)] =
            ink.At(column, row - 1) ? down_[Index(column, row - 1)] : downs_++;
      }
    }
    for (int row = 0; row < ink.rows; ++row) {
      for (int column = 0; column < ink.columns; ++column) {
        if (!ink.At(column, row)) continue;
        if (ink.At(column - 1, row)) {
          across_.back().last = column;
        } else {
          across_.push_back({row, column, column});
        }
      }
    }
  }

  [[nodiscard]] std::size_t Index(int column, int row) const {
    return static_cast<std::size_t>(row) *
               static_cast<std::size_t>(ink_.columns) +
           static_cast<std::size_t>(column);
  }
  [[nodiscard]] std::size_t Samples() const {
    return static_cast<std::size_t>(ink_.columns) *
           static_cast<std::size_t>(ink_.rows);
  }
  [[nodiscard]] std::int32_t Down(int column, int row) const {
    return down_[Index(column, row)];
  }

  const InkGrid& ink_;
  std::vector<std::int32_t> down_;  // per sample, its column run
  std::int32_t downs_ = 0;
  std::vector<RowRun> across_;
};

// Hopcroft-Karp, without recursion: a grid of millions of samples would
// overflow the stack.
class Matching {
 public:
  explicit Matching(const RunGraph& graph)
      : graph_(graph),
        across_(graph.across_.size(), kNone),
        down_(static_cast<std::size_t>(graph.downs_), kNone),
        layer_(graph.across_.size(), kFar),
        next_(graph.across_.size(), 0) {
    // Greedy first: most runs match at once, leaving few phases.
    for (std::size_t u = 0; u < across_.size(); ++u) {
      const RowRun& run = graph_.across_[u];
      for (int c = run.first; c <= run.last && across_[u] == kNone; ++c) {
        const std::int32_t v = graph_.Down(c, run.row);
        if (down_[Slot(v)] == kNone) Pair(static_cast<std::int32_t>(u), v);
      }
    }
    while (Layer()) {
      for (std::size_t u = 0; u < across_.size(); ++u) {
        next_[u] = graph_.across_[u].first;
      }
      for (std::size_t u = 0; u < across_.size(); ++u) {
        if (across_[u] == kNone) Augment(static_cast<std::int32_t>(u));
      }
    }
  }

  // König: the runs reached from unmatched row runs along alternating
  // paths; the cover is the row runs not reached and the column runs
  // reached.
  void Cover(std::vector<bool>& across, std::vector<bool>& down) const {
    std::vector<bool> reached_across(across_.size(), false);
    std::vector<bool> reached_down(down_.size(), false);
    std::vector<std::int32_t> queue;
    for (std::size_t u = 0; u < across_.size(); ++u) {
      if (across_[u] == kNone) {
        reached_across[u] = true;
        queue.push_back(static_cast<std::int32_t>(u));
      }
    }
    for (std::size_t at = 0; at < queue.size(); ++at) {
      const RowRun& run = graph_.across_[Slot(queue[at])];
      for (int c = run.first; c <= run.last; ++c) {
        const std::int32_t v = graph_.Down(c, run.row);
        if (reached_down[Slot(v)]) continue;
        reached_down[Slot(v)] = true;
        const std::int32_t w = down_[Slot(v)];  // matched: the matching is
        if (w != kNone && !reached_across[Slot(w)]) {  // maximum
          reached_across[Slot(w)] = true;
          queue.push_back(w);
        }
      }
    }
    across.assign(across_.size(), false);
    for (std::size_t u = 0; u < across.size(); ++u) {
      across[u] = !reached_across[u];
    }
    down = reached_down;
  }

 private:
  static std::size_t Slot(std::int32_t vertex) {
    return static_cast<std::size_t>(vertex);
  }
  void Pair(std::int32_t u, std::int32_t v) {
    across_[Slot(u)] = v;
    down_[Slot(v)] = u;
  }

  // Layers row runs by their distance from an unmatched one; whether an
  // unmatched column run can be reached at all.
  bool Layer() {
    std::vector<std::int32_t> queue;
    for (std::size_t u = 0; u < across_.size(); ++u) {
      layer_[u] = across_[u] == kNone ? 0 : kFar;
      if (across_[u] == kNone) queue.push_back(static_cast<std::int32_t>(u));
    }
    bool open = false;
    for (std::size_t at = 0; at < queue.size(); ++at) {
      const std::int32_t u = queue[at];
      const RowRun& run = graph_.across_[Slot(u)];
      for (int c = run.first; c <= run.last; ++c) {
        const std::int32_t w = down_[Slot(graph_.Down(c, run.row))];
        if (w == kNone) {
          open = true;
        } else if (layer_[Slot(w)] == kFar) {
          layer_[Slot(w)] = layer_[Slot(u)] + 1;
          queue.push_back(w);
        }
      }
    }
    return open;
  }

  // One augmenting path from unmatched row run `root` along the layers,
  // depth first with an explicit path.
  void Augment(std::int32_t root) {
    std::vector<std::int32_t>& path = path_;  // row runs
    std::vector<std::int32_t>& via = via_;    // column run after each
    path.assign(1, root);
    via.clear();
    while (!path.empty()) {
      const std::int32_t u = path.back();
      const RowRun& run = graph_.across_[Slot(u)];
      if (next_[Slot(u)] > run.last) {
        layer_[Slot(u)] = kFar;  // a dead end for the rest of the phase
        path.pop_back();
        if (!via.empty()) via.pop_back();
        continue;
      }
      const std::int32_t v = graph_.Down(next_[Slot(u)]++, run.row);
      const std::int32_t w = down_[Slot(v)];
      if (w == kNone) {
        via.push_back(v);
        for (std::size_t i = 0; i < path.size(); ++i) Pair(path[i], via[i]);
        return;
      }
      if (layer_[Slot(w)] == layer_[Slot(u)] + 1) {
        via.push_back(v);
        path.push_back(w);
      }
    }
  }

  const RunGraph& graph_;
  std::vector<std::int32_t> across_;  // row run -> its column run, or none
  std::vector<std::int32_t> down_;    // column run -> its row run, or none
  std::vector<std::int32_t> layer_;
  std::vector<int> next_;  // the next column each row run tries
  std::vector<std::int32_t> path_;
  std::vector<std::int32_t> via_;
};

// A sample that both chosen runs cover goes to the one it lies inside, so
// the other only gets shorter; inside or at the end of both, to `axis`.
Owner Shared(const InkGrid& ink, int column, int row, StrokeAxis axis) {
  const bool end_across = !ink.At(column - 1, row) || !ink.At(column + 1, row);
  const bool end_down = !ink.At(column, row - 1) || !ink.At(column, row + 1);
  if (end_down && !end_across) return kAcross;
  if (end_across && !end_down) return kDown;
  return axis == StrokeAxis::Columns ? kDown : kAcross;
}

}  // namespace

std::vector<Stroke> CoverStrokes(const InkGrid& ink, StrokeAxis axis) {
  const RunGraph graph(ink);
  std::vector<bool> across;
  std::vector<bool> down;
  Matching(graph).Cover(across, down);

  std::vector<Owner> owner(graph.Samples(), kPaper);
  for (std::size_t u = 0; u < graph.across_.size(); ++u) {
    const RowRun& run = graph.across_[u];
    for (int c = run.first; c <= run.last; ++c) {
      const bool by_down =
          down[static_cast<std::size_t>(graph.Down(c, run.row))];
      owner[graph.Index(c, run.row)] = across[u] && by_down
                                           ? Shared(ink, c, run.row, axis)
                                       : across[u] ? kAcross
                                                   : kDown;
    }
  }
  const auto owned = [&](int column, int row, Owner who) {
    return column >= 0 && row >= 0 && column < ink.columns && row < ink.rows &&
           owner[graph.Index(column, row)] == who;
  };

  std::vector<Stroke> strokes;
  for (int row = 0; row < ink.rows; ++row) {
    for (int c = 0; c < ink.columns; ++c) {
      if (!owned(c, row, kAcross) || owned(c - 1, row, kAcross)) continue;
      int last = c;
      while (owned(last + 1, row, kAcross)) ++last;
      strokes.push_back({{c, row}, {last, row}});
    }
  }
  for (int column = 0; column < ink.columns; ++column) {
    for (int r = 0; r < ink.rows; ++r) {
      if (!owned(column, r, kDown) || owned(column, r - 1, kDown)) continue;
      int last = r;
      while (owned(column, last + 1, kDown)) ++last;
      strokes.push_back({{column, r}, {column, last}});
    }
  }
  return strokes;
}

}  // namespace scrivlet
