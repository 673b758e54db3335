#include "ui/label.h"

#include "ui/text_font.h"

namespace abacine {

Label::Label(WidgetState& state) : Widget(state) {}

Label::~Label() = default;

bool Label::press(WidgetPoint p) { return underline && RectHolds(textRect(), p); }

Rect Label::textRect() const {
  const TextFont* f = font();
  if (f == nullptr) return Rect{x, y, x, y};
  const int32_t textWidth = f->TextWidth(label);
  int32_t left = x;
  if (centred && target() != nullptr) left = target()->Width() / 2 - textWidth / 2 + x;
  return Rect{left, y, left + textWidth, y + f->FontHeight()};
}

void Label::draw() {
  TextFont* f = font();
  if (f == nullptr || !visible) return;
  height = f->FontHeight();
  const Rect text = textRect();
  if (centred) {
    f->DrawString(label, text.left, y);
  } else if (maxWidth > 0) {
    f->DrawStringFit(label, x, y, maxWidth, labelColour);
  } else if (markup) {
    TextStyle style;
    style.colour = labelColour;
    f->DrawMarkup(label, x, y, style);
  } else {
    f->DrawString(label, x, y, labelColour);
  }
  if (underline && target() != nullptr) {
    const int32_t lineY = y + height - height / 8;
    target()->PlotLine(text.left, lineY, text.right, lineY, f->Tint(), 0);
  }
}

}  // namespace abacine
