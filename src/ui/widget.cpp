#include "ui/widget.h"

#include "ui/clamp32.h"

namespace abacine {

bool RectHolds(const Rect& r, WidgetPoint p) {
  return r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom;
}

void DrawOutline(Surface* target, const Rect& r, uint32_t colour) {
  if (target == nullptr || r.left >= r.right || r.top >= r.bottom) return;
  const Rect sides[] = {{r.left, r.top, r.right, r.top + 1},
                        {r.left, r.bottom - 1, r.right, r.bottom},
                        {r.left, r.top, r.left + 1, r.bottom},
                        {r.right - 1, r.top, r.right, r.bottom}};
  for (const Rect& side : sides) target->FillArea(&side, colour, 0, nullptr);
}

Widget::Widget(WidgetState& state) : state_(state) {}

Widget::~Widget() = default;

bool Widget::press(WidgetPoint p) {
  if (!acceptsInput(p) || !contains(p)) return false;
  pressed = true;
  onPress(rect());
  return true;
}

bool Widget::release(WidgetPoint p) {
  if (!acceptsInput(p) || !pressed) return false;
  pressed = false;
  if (!contains(p)) return false;
  onClick(rect());
  return true;
}

bool Widget::isLive() const { return true; }

void Widget::onPress(const Rect&) {}

void Widget::onClick(const Rect&) {}

bool Widget::acceptsInput(WidgetPoint p) const {
  if (state_.capture) return RectHolds(*state_.capture, p);
  return !state_.inputBlocked && visible && enabled;
}

bool Widget::contains(WidgetPoint p) const { return RectHolds(rect(), p); }

Rect Widget::rect() const {
  return Rect{x, y, Clamp32(int64_t{x} + width), Clamp32(int64_t{y} + height)};
}

}  // namespace abacine
