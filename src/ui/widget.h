// Widget: the base of the calculator's retained-mode widgets. Widgets do not
// receive events by themselves: the owner asks each candidate in its own
// order whether it takes a tap (press) and tells it when the stylus lifts
// (release). Every widget draws into the shared state's draw target with its
// current font. Rectangles are exclusive on all four edges: a point belongs
// to a widget when left < x < right and top < y < bottom.
#pragma once

#include <cstdint>

#include "graphics/surface.h"
#include "ui/widget_state.h"
#include "text/wstring.h"

namespace abacine {

class Sprite;
class TextFont;

class Widget {
 public:
  explicit Widget(WidgetState& state);
  virtual ~Widget();
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  // When the widget accepts input and p lies inside: set pressed, call
  // onPress and return true.
  virtual bool press(WidgetPoint p);
  // When it accepts input and is pressed: clear pressed; when p lies inside,
  // call onClick and return true.
  virtual bool release(WidgetPoint p);
  // True for every widget of this set; a subclass may answer otherwise.
  virtual bool isLive() const;
  virtual void onPress(const Rect& rect);
  virtual void onClick(const Rect& rect);

  // The capture rectangle, when set, decides alone; otherwise input must
  // not be blocked and the widget must be visible and enabled.
  bool acceptsInput(WidgetPoint p) const;
  bool contains(WidgetPoint p) const;
  Rect rect() const;

  int32_t x = 0;
  int32_t y = 0;
  bool usesImage = true;         // drawn from a shared image, else as a filled rectangle
  bool pressedFrameOnly = true;  // image buttons show frame 1 only while pressed
  bool enabled = true;
  bool visible = true;
  WString label;
  uint32_t labelColour = 0x00FFFFFF;
  int32_t width = 0;
  int32_t height = 0;
  bool pressed = false;

 protected:
  Surface* target() const { return state_.drawTarget; }
  TextFont* font() const { return state_.currentFont; }

  WidgetState& state_;
};

// Strictly inside on all four edges.
bool RectHolds(const Rect& r, WidgetPoint p);
// A one-pixel frame just inside r.
void DrawOutline(Surface* target, const Rect& r, uint32_t colour);

}  // namespace abacine
