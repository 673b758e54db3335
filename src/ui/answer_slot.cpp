#include "ui/answer_slot.h"

#include "ui/text_font.h"

namespace abacine {

AnswerSlot::AnswerSlot(WidgetState& state) : Widget(state) {}

AnswerSlot::~AnswerSlot() = default;

bool AnswerSlot::press(WidgetPoint p) { return occupied && contains(p); }

void AnswerSlot::draw() {
  TextFont* f = font();
  if (!visible || f == nullptr) return;
  f->DrawString(label, x + width / 2 - f->TextWidth(label) / 2, y, labelColour);
}

}  // namespace abacine
