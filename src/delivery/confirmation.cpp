#include "delivery/confirmation.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <utility>

namespace scrivlet {
namespace {

std::optional<std::size_t> IndexIn(const ScreenRect& rect, ScreenPoint at) {
  if (at.x < rect.left || at.y < rect.top || at.x >= rect.left + rect.width ||
      at.y >= rect.top + rect.height) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(at.y - rect.top) *
             static_cast<std::size_t>(rect.width) +
         static_cast<std::size_t>(at.x - rect.left);
}

// Whether a pixel of `area` touches one where ink was aimed, diagonals too.
bool NextToAimed(const std::vector<bool>& aimed, const ScreenRect& area,
                 std::size_t i) {
  const auto width = static_cast<std::size_t>(area.width);
  const ScreenPoint at{area.left + static_cast<std::int32_t>(i % width),
                       area.top + static_cast<std::int32_t>(i / width)};
  for (std::int32_t dy = -1; dy <= 1; ++dy) {
    for (std::int32_t dx = -1; dx <= 1; ++dx) {
      const auto near = IndexIn(area, {at.x + dx, at.y + dy});
      if (near && aimed[*near]) {
        return true;
      }
    }
  }
  return false;
}

// A line's stroke is checked every k-th pixel, k chosen so that with its
// end and the press a line has at most eight checked pixels.
constexpr std::size_t kLineChecks = 6;

Mark LineMark(const DotInk& dot, std::size_t piece, const ScreenImage& before) {
  const std::vector<ScreenPoint> pixels = LinePixels(dot.at, *dot.stroke);
  const std::size_t steps = pixels.size() - 1;
  const std::size_t spacing = (steps + kLineChecks - 1) / kLineChecks;
  const std::optional<COLORREF> paper = before.At(dot.at);
  Mark mark{{}, MarkKind::kStroke, piece, {}};
  for (std::size_t i = spacing; i <= steps; i += spacing) {
    // Pixels already of another colour (ink the line crosses) may not
    // change; the end stands for the line whatever its colour.
    const std::optional<COLORREF> under = before.At(pixels[i]);
    if (under == paper) {
      mark.pixels.push_back({pixels[i], under});
    }
  }
  if (mark.pixels.empty() || mark.pixels.back().at != pixels.back()) {
    mark.pixels.push_back({pixels.back(), before.At(pixels.back())});
  }
  mark.line = Segment{dot.at, *dot.stroke};
  return mark;
}

// Whether every paper pixel of a line after its press shows: the checks miss
// one left blank between two (mtpaint under mutter, after the press). Read
// once the checks all show, so once a line as a rule.
bool LineWhole(const Mark& mark, const ScreenImage& before,
               const ScreenImage& now) {
  if (!mark.line) return true;
  const std::optional<COLORREF> paper = before.At(mark.line->from);
  const std::optional<COLORREF> ink = mark.pixels.front().ink;
  const std::vector<ScreenPoint> pixels =
      LinePixels(mark.line->from, mark.line->to);
  return std::all_of(pixels.begin() + 1, pixels.end(), [&](ScreenPoint at) {
    const std::optional<COLORREF> under = before.At(at);
    return under != paper || PixelShows({at, under, ink}, now.At(at));
  });
}

}  // namespace

bool SameInk(COLORREF a, COLORREF b) {
  // A 16-bit screen keeps 5 or 6 bits a channel: steps of 8 at most.
  constexpr int kTolerance = 12;
  for (unsigned shift = 0; shift < 24; shift += 8) {
    const int channel_a = static_cast<int>((a >> shift) & 0xFFU);
    const int channel_b = static_cast<int>((b >> shift) & 0xFFU);
    if (std::abs(channel_a - channel_b) > kTolerance) {
      return false;
    }
  }
  return true;
}

bool PixelShows(const ExpectedPixel& pixel, std::optional<COLORREF> now) {
  if (pixel.ink) {
    return now && pixel.before && SameInk(*now, *pixel.ink);
  }
  return now && pixel.before && *now != *pixel.before;
}

bool PixelInOtherInk(const ExpectedPixel& pixel, std::optional<COLORREF> now) {
  return pixel.ink && now && pixel.before && *now != *pixel.before &&
         !SameInk(*now, *pixel.ink);
}

std::optional<COLORREF> MarkShows(
    const Mark& mark,
    const std::function<std::optional<COLORREF>(ScreenPoint)>& read) {
  std::optional<COLORREF> lead;
  for (const ExpectedPixel& pixel : mark.pixels) {
    const std::optional<COLORREF> now = read(pixel.at);
    if (!PixelShows(pixel, now)) {
      return std::nullopt;
    }
    lead = lead ? lead : now;
  }
  return lead;
}

std::vector<Mark> MarksOf(const std::vector<StreamPiece>& batch,
                          const ScreenImage& before,
                          std::optional<COLORREF> ink) {
  std::vector<Mark> marks;
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (!batch[i].dot) {
      continue;
    }
    const DotInk& dot = *batch[i].dot;
    marks.push_back({{{dot.at, before.At(dot.at)}}, MarkKind::kDot, i, {}});
    if (dot.line) {
      marks.back().line_press = true;
      marks.push_back(LineMark(dot, i, before));
    } else if (dot.stroke) {
      marks.push_back(
          {{{*dot.stroke, before.At(*dot.stroke)}}, MarkKind::kStroke, i, {}});
    }
  }
  for (Mark& mark : marks) {
    for (ExpectedPixel& pixel : mark.pixels) {
      pixel.ink = ink;
    }
  }
  return marks;
}

Confirmation::Confirmation(std::vector<Mark> marks, ScreenImage before,
                           const std::vector<Mark>& earlier,
                           PacingClock::TimePoint start)
    : marks_(std::move(marks)),
      before_(std::move(before)),
      aimed_(before_.pixels.size(), false),
      start_(start),
      progress_at_(start) {
  // Pixels where ink is expected, and those of marks given up on earlier
  // that may still show: ink anywhere else is a stray.
  for (const std::vector<Mark>* list :
       std::initializer_list<const std::vector<Mark>*>{&marks_, &earlier}) {
    for (const Mark& mark : *list) {
      for (const ExpectedPixel& pixel : mark.pixels) {
        if (const auto at = IndexIn(before_.area, pixel.at)) {
          aimed_[*at] = true;
        }
      }
      if (mark.line) {
        for (const ScreenPoint& pixel :
             LinePixels(mark.line->from, mark.line->to)) {
          if (const auto at = IndexIn(before_.area, pixel)) {
            aimed_[*at] = true;
          }
        }
      }
    }
  }
  dots_ = static_cast<int>(
      std::count_if(marks_.begin(), marks_.end(),
                    [](const Mark& m) { return !m.is_stroke(); }));
}

bool Confirmation::Waiting() const {
  return std::any_of(marks_.begin(), marks_.end(), [](const Mark& m) {
    return m.wait.expected && !m.shown && !m.given_up;
  });
}

LookVerdict Confirmation::Look(const ScreenImage& image,
                               PacingClock::TimePoint seen,
                               const PacingPolicy& policy,
                               std::optional<PacingClock::Duration> typical,
                               bool decide, const std::function<bool()>& held,
                               const std::function<bool(const Mark&)>& drawn) {
  LookVerdict verdict;
  const auto read = [&](ScreenPoint at) { return image.At(at); };
  for (std::size_t i = 0; i < marks_.size(); ++i) {
    Mark& mark = marks_[i];
    if (!mark.shown && MarkShows(mark, read) &&
        LineWhole(mark, before_, image)) {
      mark.shown = true;
      mark.shown_look = looks_ + 1;
      verdict.shown.push_back(i);
    }
  }
  int strays_now = 0;
  const auto strays_at = [&](std::size_t i) {
    return !aimed_[i] && PixelShows({{}, before_.pixels[i]}, image.pixels[i]);
  };
  for (std::size_t i = 0; i < aimed_.size(); ++i) {
    strays_now += strays_at(i) ? 1 : 0;
  }
  if (strays_now > strays_) {
    verdict.new_strays = strays_now - strays_;
    strays_ = strays_now;
    for (std::size_t i = 0; i < aimed_.size(); ++i) {
      verdict.strays_beside_marks =
          verdict.strays_beside_marks ||
          (strays_at(i) && NextToAimed(aimed_, before_.area, i));
    }
  }

  // A dot still blank while a later one shows, or while the others have
  // shown and nothing more has come for a while, was dropped by the
  // target: it is sent again. A click on a dot already drawn changes
  // nothing. A stalled target shows nothing at all, and is waited out.
  ++looks_;
  if (!verdict.shown.empty()) {
    progress_look_ = looks_;
    progress_at_ = seen;
  }
  // A capture may catch a compositor half-way through a frame: a later
  // dot counts only once it showed in an earlier look, a frame ago.
  const bool settled = progress_look_ > 0 && looks_ > progress_look_ &&
                       seen - progress_at_ >= policy.repair_after;
  // Nothing new for as long as the first dot took, and twice as long at
  // each repair: a stalled target shows nothing either, and must not be
  // given its dots again and again meanwhile.
  // A stroke waits four times as long: a browser draws the press at once
  // and the move at its next frame, so the stroke shows a frame after its
  // dot (measured in Firefox: every line's move handled, yet the line
  // blank 20 ms after its press showed, and the first line of a drawing
  // still blank 40 ms after it; each taken for lost, and every line held).
  // So does a line's press with nothing newer shown: it goes again with its
  // line, and Firefox under load shows a batch's lines 40 ms and more apart
  // (each press sent again after 20 ms, its line again with it).
  // Not a stroke the target has drawn already, which only a compositor has
  // yet to show (mutter shows some of a batch's last lines only once they
  // are drawn again): that one waits as long as a dot.
  const auto quiet_time = [&](const Mark& mark) {
    return std::max(policy.repair_after, progress_at_ - start_) *
           (1 << mark.repairs);
  };
  const auto quiet_for = [&](const Mark& mark) {
    return settled &&
           seen - progress_at_ >=
               quiet_time(mark) *
                   ((mark.is_stroke() || mark.line_press) && !mark.drawn_at
                        ? 4
                        : 1);
  };
  // A dot sent alone that has not shown in several times the target's
  // usual time was dropped or is stalled; sent again, a click on the same
  // place does no harm either way, with the same backing off.
  const auto alone_overdue = [&](const Mark& mark) {
    return Alone() && progress_look_ == 0 && typical &&
           seen - mark.sent >= std::max(policy.repair_after, 4 * *typical) *
                                   (1 << mark.repairs);
  };
  // A stroke is told lost by a later stroke shown, not by a later dot: a
  // browser draws each press at once and each move at its next frame, so
  // the next line's dot shows before this line does.
  std::optional<std::size_t> last_shown;
  std::optional<std::size_t> last_stroke_shown;
  for (const Mark& mark : marks_) {
    if (mark.shown && mark.shown_look < looks_) {
      last_shown = mark.piece;
      last_stroke_shown = mark.is_stroke() ? mark.piece : last_stroke_shown;
    }
  }
  const auto undecided = [&](const Mark& mark) {
    return !mark.shown && !mark.given_up && mark.wait.expected && decide;
  };
  // Asked only of strokes after the last one shown: the others go again
  // anyway.
  for (Mark& mark : marks_) {
    if (mark.is_stroke() && undecided(mark) && !mark.drawn_at && drawn &&
        settled && !(last_stroke_shown && *last_stroke_shown > mark.piece) &&
        seen - progress_at_ >= quiet_time(mark) && drawn(mark)) {
      mark.drawn_at = seen;
    }
  }
  // A stroke whose press has not shown says nothing of strokes: the target
  // has not even drawn the press (a browser under load stalls for a
  // quarter of a second). It goes again with its press, by the dot's rules.
  const auto press_awaited = [&](const Mark& stroke) {
    return std::any_of(marks_.begin(), marks_.end(), [&](const Mark& m) {
      return m.piece == stroke.piece && !m.is_stroke() && m.wait.expected &&
             !m.shown && !m.given_up;
    });
  };
  const auto shown_after = [&](const Mark& mark) {
    const std::optional<std::size_t>& later =
        mark.is_stroke() ? last_stroke_shown : last_shown;
    return later && *later > mark.piece;
  };
  const auto repair_due = [&](const Mark& mark) {
    if (mark.is_stroke() && press_awaited(mark)) {
      return false;
    }
    return ((settled &&
             (shown_after(mark) || (last_shown && quiet_for(mark)))) ||
            alone_overdue(mark)) &&
           mark.repairs < policy.max_repairs;
  };
  // The bound is for a target fallen silent: one still showing the batch's
  // marks is working through them (Firefox under load took over 2 s for a
  // batch of 256 lines, and every line after was no longer looked for).
  const auto timed_out = [&](const Mark& mark) {
    return seen - std::max(mark.sent, progress_at_) >= mark.wait.bound;
  };
  const bool due =
      std::any_of(marks_.begin(), marks_.end(), [&](const Mark& m) {
        return undecided(m) && (repair_due(m) || timed_out(m));
      });
  if (due && held && held()) {
    verdict.held = true;
    return verdict;
  }
  // A pixel in another ink needs no waiting: the target drew it, with the
  // wrong colour selected.
  const auto other_ink = [&](const Mark& mark) {
    return std::any_of(mark.pixels.begin(), mark.pixels.end(),
                       [&](const ExpectedPixel& p) {
                         return PixelInOtherInk(p, image.At(p.at));
                       });
  };
  for (std::size_t i = 0; i < marks_.size(); ++i) {
    Mark& mark = marks_[i];
    if (!undecided(mark)) {
      continue;
    }
    if (mark.repairs < policy.max_repairs && other_ink(mark)) {
      mark.wrong_ink = true;
      verdict.wrong_ink = true;
      if (std::find(verdict.repair.begin(), verdict.repair.end(), mark.piece) ==
          verdict.repair.end()) {
        verdict.repair.push_back(mark.piece);
      }
      continue;
    }
    if (repair_due(mark)) {
      // A dot the target has drawn, which the compositor has yet to show,
      // was not lost: a loaded compositor shows frames late, and sending
      // such dots again only costs the time of sending them. They get two
      // of the target's usual times to show; then they go again all the
      // same (measured on mutter: some show only once their pixel is drawn
      // again), not counted as lost, or they would slow every dot after.
      // Where the desktop has taken the dot and shows it late (GNOME's
      // screen cast under load: a tenth of a second and more after the
      // target drew), a dot with no later one shown may be on its way too,
      // and gets the same time. Nothing says the target drew
      // it: if it goes again it was lost, so that a target that drops dots
      // is still slowed; so was one behind a later dot shown.
      if (!mark.is_stroke() && !mark.line) {
        if (drawn && !mark.drawn_at && drawn(mark)) {
          mark.drawn_at = seen;
        }
        if (taken_shows_late_ && !mark.behind_at && !shown_after(mark)) {
          mark.behind_at = seen;
        }
        const PacingClock::Duration grace =
            2 * std::max(policy.repair_after,
                         typical.value_or(PacingClock::Duration{}));
        const std::optional<PacingClock::TimePoint> since =
            mark.drawn_at ? mark.drawn_at : mark.behind_at;
        if (since && seen - *since < grace) {
          continue;
        }
      }
      if (std::find(verdict.repair.begin(), verdict.repair.end(), mark.piece) ==
          verdict.repair.end()) {
        verdict.repair.push_back(mark.piece);
        if (mark.line) {
          if (const auto part = BlankPart(*mark.line, before_, image)) {
            verdict.parts.emplace_back(mark.piece, *part);
          }
        }
      }
      mark.drawn_unshown = mark.drawn_unshown || mark.drawn_at.has_value();
      const bool newer_shown = settled && shown_after(mark);
      // A line's press blank with nothing newer shown is a stall, not a
      // click dropped among others: Firefox under load shows nothing at all
      // for a tenth of a second and more. It goes again, but counted lost
      // it would slow every later line, and one such in a batch of two kept
      // a whole drawing to one line at a time (49 s against 6).
      mark.stalled = mark.stalled || (mark.line_press && !newer_shown);
      if (mark.is_stroke()) {
        // Only a later stroke shown tells that this one was lost; time
        // alone cannot tell it from a late one.
        verdict.stroke_lost = verdict.stroke_lost || newer_shown;
        verdict.stroke_overdue = verdict.stroke_overdue || !newer_shown;
      }
      verdict.dot_lost =
          verdict.dot_lost ||
          (!mark.is_stroke() && !mark.drawn_unshown && !mark.stalled);
      continue;
    }
    if (timed_out(mark)) {
      mark.given_up = true;
      verdict.given_up.push_back(i);
    }
  }
  return verdict;
}

void Confirmation::Repaired(std::size_t piece, PacingClock::TimePoint sent) {
  for (Mark& mark : marks_) {
    if (mark.piece == piece) {
      mark.sent = sent;
      mark.drawn_at.reset();
      mark.behind_at.reset();
      ++mark.repairs;
    }
  }
}

void Confirmation::CannotRepair(std::size_t piece) {
  for (Mark& mark : marks_) {
    if (mark.piece == piece && !mark.shown) {
      mark.wait.expected = false;
    }
  }
}

void Confirmation::ResentAfterHold(PacingClock::TimePoint sent) {
  start_ = progress_at_ = sent;
  for (Mark& mark : marks_) {
    if (!mark.shown && !mark.given_up) {
      mark.sent = sent;
      mark.resent_after_hold = true;
    }
  }
}

int Confirmation::NotLandedAfterHold() const {
  return static_cast<int>(
      std::count_if(marks_.begin(), marks_.end(), [](const Mark& mark) {
        return mark.resent_after_hold && mark.wait.expected && !mark.shown &&
               !mark.is_stroke();
      }));
}

int Confirmation::NotLandedInTheirInk() const {
  return static_cast<int>(std::count_if(
      marks_.begin(), marks_.end(),
      [](const Mark& mark) { return mark.wrong_ink && !mark.shown; }));
}

BatchOutcome Confirmation::Outcome() const {
  BatchOutcome outcome;
  bool all_shown = true;
  for (const Mark& mark : marks_) {
    outcome.unexpected += mark.wait.expected ? 0 : 1;
    outcome.dots += mark.is_stroke() ? 0 : 1;
    outcome.lost_dots += !mark.is_stroke() && mark.repairs > 0 &&
                                 !mark.wrong_ink && !mark.drawn_unshown &&
                                 !mark.stalled
                             ? 1
                             : 0;
    all_shown = all_shown && (mark.shown || !mark.wait.expected);
  }
  outcome.landed = strays_ == 0 && all_shown;
  return outcome;
}

std::optional<Segment> BlankPart(const Segment& line, const ScreenImage& before,
                                 const ScreenImage& now) {
  const std::vector<ScreenPoint> pixels = LinePixels(line.from, line.to);
  std::optional<std::size_t> first;
  std::size_t last = 0;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::optional<COLORREF> was = before.At(pixels[i]);
    if (was && now.At(pixels[i]) == was) {
      first = first ? first : i;
      last = i;
    }
  }
  if (!first || *first == 0) {
    return std::nullopt;
  }
  return Segment{pixels[*first], pixels[last]};
}

PacingClock::Duration LookInterval(PacingClock::Duration waited,
                                   bool reports_changes,
                                   const PacingPolicy& policy) {
  return reports_changes ? policy.max_look_interval
                         : std::clamp(waited / 4, policy.first_look,
                                      policy.max_look_interval);
}

}  // namespace scrivlet
