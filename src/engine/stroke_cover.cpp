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
  std::size_t edge = 0;  // its first sample's place among the ink samples
};

enum Owner : std::uint8_t { kAcross, kDown };

// The ink as a bipartite graph: one vertex per row run, one per column run,
// and one edge per ink sample between the two runs through it. Held per ink
// sample, not per sample of the grid: most of a big grid is paper.
class RunGraph {
 public:
  // One pass in memory order: a column run is numbered where it starts.
  explicit RunGraph(const InkGrid& ink) {
    // Sized first: growing them costs more than the pass itself.
    std::size_t samples = 0;
    std::size_t runs = 0;
    for (std::size_t i = 0; i < ink.ink.size(); ++i) {
      const bool on = ink.ink[i] != 0;
      const bool starts =
          i % static_cast<std::size_t>(ink.columns) == 0 || ink.ink[i - 1] == 0;
      samples += on ? 1U : 0U;
      runs += on && starts ? 1U : 0U;
    }
    edges_.reserve(samples);
    across_.reserve(runs);
    std::vector<std::int32_t> open(static_cast<std::size_t>(ink.columns),
                                   kNone);  // the column run above, if any
    for (int row = 0; row < ink.rows; ++row) {
      for (int column = 0; column < ink.columns; ++column) {
        std::int32_t& above = open[static_cast<std::size_t>(column)];
        if (!ink.At(column, row)) {
          above = kNone;
          continue;
        }
        if (above == kNone) above = downs_++;
        if (ink.At(column - 1, row)) {
          across_.back().last = column;
        } else {
          across_.push_back({row, column, column, edges_.size()});
        }
        edges_.push_back(above);
      }
    }
  }

  // The column run through sample `column` of row run `run`.
  [[nodiscard]] std::int32_t Down(const RowRun& run, int column) const {
    return edges_[run.edge + static_cast<std::size_t>(column - run.first)];
  }

  std::vector<std::int32_t> edges_;  // per ink sample, its column run
  std::int32_t downs_ = 0;
  std::vector<RowRun> across_;
};

// Hopcroft-Karp, without recursion: a grid of millions of samples would
// overflow the stack.
class Matching {
 public:
  // Stops early once it has `enough` pairs: the cover is then no smaller.
  Matching(const RunGraph& graph, std::size_t enough)
      : graph_(graph),
        across_(graph.across_.size(), kNone),
        down_(static_cast<std::size_t>(graph.downs_), kNone),
        layer_(graph.across_.size(), kFar),
        next_(graph.across_.size(), 0) {
    // Greedy first: most runs match at once, leaving few phases.
    for (std::size_t u = 0; u < across_.size(); ++u) {
      const RowRun& run = graph_.across_[u];
      for (int c = run.first; c <= run.last && across_[u] == kNone; ++c) {
        const std::int32_t v = graph_.Down(run, c);
        if (down_[Slot(v)] == kNone) {
          Pair(static_cast<std::int32_t>(u), v);
          ++pairs_;
        }
      }
    }
    while (pairs_ < enough && Layer()) {
      for (std::size_t u = 0; u < across_.size(); ++u) {
        next_[u] = graph_.across_[u].first;
      }
      for (std::size_t u = 0; u < across_.size(); ++u) {
        if (across_[u] == kNone) Augment(static_cast<std::int32_t>(u));
      }
    }
  }

  [[nodiscard]] std::size_t pairs() const { return pairs_; }

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
        const std::int32_t v = graph_.Down(run, c);
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
  // One more pair: the path's row runs each take the next column run.
  void Flip(const std::vector<std::int32_t>& path,
            const std::vector<std::int32_t>& via) {
    for (std::size_t i = 0; i < path.size(); ++i) Pair(path[i], via[i]);
    ++pairs_;
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
        const std::int32_t w = down_[Slot(graph_.Down(run, c))];
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
      const std::int32_t v = graph_.Down(run, next_[Slot(u)]++);
      const std::int32_t w = down_[Slot(v)];
      if (w == kNone) {
        via.push_back(v);
        Flip(path, via);
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
  std::size_t pairs_ = 0;
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

std::vector<Stroke> CoverStrokes(const InkGrid& ink, StrokeAxis axis,
                                 std::size_t fewer_than) {
  const RunGraph graph(ink);
  // As many runs cover the ink as the most pairs of runs that share no
  // run; past `fewer_than` pairs there is no gain to look for.
  const Matching matching(graph, fewer_than);
  if (matching.pairs() >= fewer_than) return {};
  std::vector<bool> across;
  std::vector<bool> down;
  matching.Cover(across, down);

  std::vector<Stroke> strokes;
  // Column pieces grow row by row: the piece each column has open.
  std::vector<std::size_t> open(static_cast<std::size_t>(ink.columns),
                                std::numeric_limits<std::size_t>::max());
  for (std::size_t u = 0; u < graph.across_.size(); ++u) {
    const RowRun& run = graph.across_[u];
    bool piece = false;  // a row piece open in this run
    for (int c = run.first; c <= run.last; ++c) {
      const bool by_down = down[static_cast<std::size_t>(graph.Down(run, c))];
      const Owner who = across[u] && by_down ? Shared(ink, c, run.row, axis)
                        : across[u]          ? kAcross
                                             : kDown;
      if (who == kAcross && piece) {
        strokes.back().last.column = c;
      } else if (who == kAcross) {
        strokes.push_back({{c, run.row}, {c, run.row}});
      } else {
        std::size_t& at = open[static_cast<std::size_t>(c)];
        if (at < strokes.size() && strokes[at].last.row == run.row - 1) {
          strokes[at].last.row = run.row;
        } else {
          at = strokes.size();
          strokes.push_back({{c, run.row}, {c, run.row}});
        }
      }
      piece = who == kAcross;
    }
  }
  return strokes;
}

}  // namespace scrivlet
