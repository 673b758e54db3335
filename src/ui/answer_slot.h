// AnswerSlot: one memory slot of the answer row. It holds a stored answer
// and takes a tap only while it holds one, so a tap on an empty slot falls
// through to the next candidate. Its background image and the formatting of
// its value belong to the calculator screen, which sets `label` to what the
// slot shows (its value's text, a mode name, or nothing); draw() centres
// that text on the slot.
#pragma once

#include "ui/widget.h"

namespace abacine {

class AnswerSlot : public Widget {
 public:
  explicit AnswerSlot(WidgetState& state);
  ~AnswerSlot() override;

  // True when occupied and p lies inside; changes nothing.
  bool press(WidgetPoint p) override;
  // The label, centred horizontally on the slot at its top (y), in the
  // current font and labelColour.
  void draw();

  bool occupied = false;
  bool locked = false;
  double value = 0;
};

}  // namespace abacine
