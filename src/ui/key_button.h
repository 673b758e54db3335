// KeyButton: a keypad key. It shows a shared key image (frame 0, or frame 1
// while pressed and the stylus is down) or, without one, a filled and
// outlined rectangle, with its label centred on it. Tapping it is the
// owner's business: the key only carries the text it inserts.
#pragma once

#include <cstdint>

#include "ui/widget.h"

namespace abacine {

class KeyButton : public Widget {
 public:
  explicit KeyButton(WidgetState& state);
  ~KeyButton() override;

  // The key image's frame size, or (without an image) the label's width plus
  // two spaces by two font heights. draw() does this first; owners that
  // test taps before the first frame call it after placing the key.
  void updateSize();
  // Nothing when disabled or hidden. A key looks pressed only while the
  // stylus is down: once it is up, pressed is cleared here.
  void draw();
  // The label's top-left corner, moved by the pressed offsets while pressed.
  WidgetPoint labelPosition() const;

  WString insertText;
  uint32_t outlineColour = 0x00404040;
  uint32_t fillColour = 0x00C8C8C8;
  int32_t imageIndex = 0;  // which shared key image, 0 or 1

 private:
  // The key image when this key uses one and it is loaded; else null, and
  // the key is drawn as a rectangle.
  Sprite* image() const;
};

}  // namespace abacine
