#pragma once

// Reads the engine's event stream as dots and drag strokes.
//
// The engine sends a dot as a move onto it, a press, perhaps a drag move
// with the button held, and a release. Delivery holds such groups, sends
// them in batches and sends one again where it did not land, so it needs
// to know where each group puts ink. This reader works that out without
// asking the desktop: an absolute move names its pixel (the backends' own
// exact mapping), and a relative one moves by exactly its pixels, clipped
// at the desktop's edges. Whether a desktop moves relative pointers that
// way is for delivery to check (see DeliveryPacer).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/platform_input.h"

namespace scrivlet {

struct MouseEvent {
  std::uint32_t flags = 0;
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  friend bool operator==(const MouseEvent&, const MouseEvent&) = default;
};

// Ink a dot should leave: the pixel under the press, and the pixel a drag
// moved onto with the button held, where that is another one. A press, one
// move further than the next pixel and the release draw a line: the
// drawing styles' stroke, inked from `at` to `stroke` whole.
struct DotInk {
  ScreenPoint at;
  std::optional<ScreenPoint> stroke;
  bool line = false;
  // Placed by relative moves: sending it again needs the pointer brought
  // back first, since its own events move from wherever the pointer is.
  bool relative = false;
  // The press and what follows up to its release; with an absolute move
  // onto the dot in front, which makes the group repeatable as it stands.
  std::vector<MouseEvent> click;
};

// Events as they came, up to and including one dot's release; `dot` is
// empty for moves that end a drawing or a column with no dot after them.
struct StreamPiece {
  std::vector<MouseEvent> events;
  std::optional<DotInk> dot;
  ScreenPoint pointer_after;  // where the pointer is once all are sent
};

// The moves before a piece's click: all of a piece without a dot.
[[nodiscard]] inline std::vector<MouseEvent> LeadOf(const StreamPiece& piece) {
  const std::size_t click = piece.dot ? piece.dot->click.size() : 0;
  return {piece.events.begin(),
          piece.events.end() - static_cast<std::ptrdiff_t>(click)};
}

// The pixels of the straight line from `from` to `to`, both ends included,
// as paint programs draw a one-pixel line between two motion events.
[[nodiscard]] std::vector<ScreenPoint> LinePixels(ScreenPoint from,
                                                  ScreenPoint to);

// The events that draw only the part `from`..`to` of a line `dot` drew:
// for an absolute line a move onto `from`, the press, a move to `to` and the
// release; for a relative one the press, the move and the release, with the
// pointer to be brought onto `from` first.
[[nodiscard]] std::vector<MouseEvent> LinePartClick(const DotInk& dot,
                                                    ScreenPoint from,
                                                    ScreenPoint to,
                                                    const DesktopArea& bounds);

class DotStream {
 public:
  // Starts afresh with the pointer at `pointer` on `bounds`.
  void Reset(DesktopArea bounds, ScreenPoint pointer);

  // Takes one event. A release that ends a dot completes a piece.
  void Feed(const MouseEvent& event);
  // Completes the piece in progress, if it holds any events and no button
  // is down in it; a press without its release stays until it comes.
  void Close();

  [[nodiscard]] std::deque<StreamPiece>& ready() { return ready_; }
  [[nodiscard]] bool button_down() const { return button_down_; }
  [[nodiscard]] ScreenPoint pointer() const { return pointer_; }
  [[nodiscard]] const DesktopArea& bounds() const { return bounds_; }

 private:
  void MovePointer(const MouseEvent& event);

  DesktopArea bounds_;
  ScreenPoint pointer_;
  bool button_down_ = false;
  StreamPiece current_;
  // The last absolute move before the press, repeated in front of a repair.
  std::optional<MouseEvent> approach_;
  int held_moves_ = 0;  // moves with the button down in the current dot
  std::deque<StreamPiece> ready_;
};

}  // namespace scrivlet
