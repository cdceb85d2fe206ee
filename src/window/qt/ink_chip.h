#pragma once

// A registered ink on the 描き方 page: a button filled with the ink's
// colour, its mark (×) in black or white, whichever shows on it; a click
// removes the ink. Hidden while its slot holds no ink.

#include <QPushButton>
#include <optional>

#include "platform/platform_input.h"

namespace scrivlet {

class InkChip : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;

  // Fills the chip with `colour` (0x00BBGGRR) and shows it; hides it for
  // nullopt.
  void SetColour(std::optional<COLORREF> colour);
  [[nodiscard]] std::optional<COLORREF> colour() const { return colour_; }
  // The mark and the frame: a chip paints no button face, so it needs none
  // of the style's minimum button width.
  [[nodiscard]] QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<COLORREF> colour_;
};

}  // namespace scrivlet
