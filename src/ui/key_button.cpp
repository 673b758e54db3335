#include "ui/key_button.h"

#include "ui/sprite.h"
#include "ui/text_font.h"

namespace abacine {

KeyButton::KeyButton(WidgetState& state) : Widget(state) {}

KeyButton::~KeyButton() = default;

Sprite* KeyButton::image() const {
  if (!usesImage || imageIndex < 0 || imageIndex > 1) return nullptr;
  Sprite* sprite = state_.imageTable.keyImages[imageIndex].get();
  return sprite != nullptr && sprite->loaded() ? sprite : nullptr;
}

void KeyButton::updateSize() {
  if (const Sprite* sprite = image()) {
    width = sprite->frameWidth();
    height = sprite->height();
  } else if (const TextFont* f = font()) {
    width = f->TextWidth(label) + 2 * f->SpaceWidth();
    height = 2 * f->FontHeight();
  }
}

WidgetPoint KeyButton::labelPosition() const {
  const ImageTable& table = state_.imageTable;
  const TextFont* f = font();
  const int32_t textWidth = f != nullptr ? f->TextWidth(label) : 0;
  const int32_t fontHeight = f != nullptr ? f->FontHeight() : 0;
  WidgetPoint p{x + width / 2 - textWidth / 2 + table.labelOffsetX,
                y + height / 2 - fontHeight / 2 + table.labelOffsetY + 1};
  if (pressed) {
    p.x += table.pressedOffsetX;
    p.y += table.pressedOffsetY;
  }
  return p;
}

void KeyButton::draw() {
  updateSize();
  if (!enabled || !visible) return;
  if (!state_.stylusDown) pressed = false;
  if (Sprite* sprite = image()) {
    sprite->setFrame(pressed ? 1 : 0);
    sprite->drawAt(target(), x, y);
  } else if (Surface* t = target()) {
    const Rect r = rect();
    t->FillArea(&r, fillColour, 0, nullptr);
    DrawOutline(t, r, outlineColour);
  }
  if (TextFont* f = font()) {
    const WidgetPoint p = labelPosition();
    f->DrawString(label, p.x, p.y, labelColour);
  }
}

}  // namespace abacine
