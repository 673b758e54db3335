// TextBox: the one-line input box. It holds the text (the base label, drawn
// in labelColour), a cursor (a character index, 0 = before the first) and
// the first visible character, scrolls sideways so that the cursor stays
// inside the box, draws an optional prompt before the text, and, while it
// has the focus, a blinking caret at the cursor. A tap places the cursor on
// the tapped character and takes the focus.
//
// A cursor beyond the text (the owner replaced the text) is drawn, moved and
// deleted at as if it were at the end; insertText first resets it to 0.
// Nothing reads past the text. The caret blinks on platform::TickCount, so a
// simulated clock makes it deterministic.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/widget.h"

namespace abacine {

class TextBox : public Widget {
 public:
  static constexpr uint32_t kBlinkPeriodMs = 1000;  // visible in the first half
  static constexpr uint32_t kCaretColour = 0x00000000;

  // The first box made while none has the focus takes it.
  explicit TextBox(WidgetState& state);
  // Destroying the focused box leaves no box focused.
  ~TextBox() override;

  // Inside the box: takes the focus and puts the cursor before the tapped
  // character (at the end when no character is hit).
  bool press(WidgetPoint p) override;
  // The height, text position, scroll and visible text for the current font,
  // images and text. draw() and press() do this first. A width of 0 becomes
  // the background's width, or without one the rest of the draw target.
  void layOut();
  void draw();

  // --- Editing (each restarts the caret blink; a read-only box ignores the
  // ones that change the text, except clear) ----------------------------------
  void insertText(const WString& text);
  void insertChar(char16_t c);
  // At the end of the text, whatever the cursor; the cursor stays. What
  // would pass the longest text a string holds is cut off.
  void appendText(const WString& text);
  void deleteBefore();
  void deleteAt();
  void clear();
  // Only 0 <= index <= text length is taken.
  bool setCursor(int32_t index);
  void cursorToEnd();
  void cursorLeft();
  void cursorRight();

  void takeFocus();
  bool hasFocus() const;
  void restartBlink();
  bool caretVisible() const;

  // The cursor as stored, and as used (never beyond the text).
  int32_t cursor() const { return cursor_; }
  int32_t effectiveCursor() const;
  // As of the last layOut.
  int32_t firstVisible() const { return firstVisible_; }
  WidgetPoint textPosition() const { return WidgetPoint{textX_, textY_}; }
  const WString& visibleText() const { return visibleText_; }
  // Where the caret is drawn (exclusive right and bottom).
  Rect caretRect() const;

  WString prompt;
  uint32_t promptColour = 0x00FFFFFF;
  bool readOnly = false;
  // Never scrolls: the text runs from its start and is cut at the draw
  // target's right edge.
  bool rightAligned = false;
  bool framed = false;
  uint32_t frameColour = 0x00C8C8C8;

 private:
  Sprite* background() const;
  // Where character k starts, measured from where `first` starts; k may be
  // the text's length (where a character after the last would start).
  int64_t offset(int32_t k, int32_t first) const { return starts_[k] - starts_[first]; }
  void scroll(int64_t available);

  int32_t cursor_ = 0;
  int32_t firstVisible_ = 0;
  WString visibleText_;
  int32_t textX_ = 0;
  int32_t textY_ = 0;
  uint32_t blinkStart_ = 0;
  // Where each character starts and ends (its right edge) when the whole
  // text is laid out in one line from 0; starts_ has one more entry, the
  // end of the last cell.
  std::vector<int64_t> starts_;
  std::vector<int64_t> ends_;
};

}  // namespace abacine
