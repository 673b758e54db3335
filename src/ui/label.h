// Label: a line of text in the current font: centred on the draw target,
// cut to a width with "...", drawn with colour markup, or plain; optionally
// underlined, and then tappable (a link).
#pragma once

#include <cstdint>

#include "ui/widget.h"

namespace abacine {

class Label : public Widget {
 public:
  explicit Label(WidgetState& state);
  ~Label() override;

  // True when underlined and p lies inside the text's rectangle; changes
  // nothing.
  bool press(WidgetPoint p) override;
  // The text's rectangle: from where it starts, its measured width by the
  // font's height.
  Rect textRect() const;
  void draw();

  bool centred = false;  // on the draw target's width, moved by x
  int32_t maxWidth = 0;  // > 0: cut to this width with "..."
  bool underline = false;
  bool markup = true;
};

}  // namespace abacine
