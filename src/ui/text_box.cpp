#include "ui/text_box.h"

#include <algorithm>

#include "graphics/bitmap_font.h"
#include "platform/platform.h"
#include "ui/clamp32.h"
#include "ui/sprite.h"
#include "ui/text_font.h"

namespace abacine {

namespace {

// Caret offsets from the cursor's cell (left, top, right, bottom; right and
// bottom exclusive).
constexpr Rect kCaretSmall{-1, -1, 0, 10};
constexpr Rect kCaretLarge{-1, -3, 1, 22};

// The input text is laid out as typed: no tags, no bracket colours.
TextStyle PlainStyle() {
  TextStyle style;
  style.markup = false;
  return style;
}

}  // namespace

TextBox::TextBox(WidgetState& state) : Widget(state) {
  if (state_.imageTable.focusedBox == nullptr) state_.imageTable.focusedBox = this;
  restartBlink();
}

TextBox::~TextBox() {
  if (state_.imageTable.focusedBox == this) state_.imageTable.focusedBox = nullptr;
}

Sprite* TextBox::background() const {
  Sprite* sprite = state_.imageTable.textBoxBackground.get();
  return sprite != nullptr && sprite->loaded() ? sprite : nullptr;
}

int32_t TextBox::effectiveCursor() const { return std::clamp(cursor_, 0, label.Length()); }

void TextBox::layOut() {
  const TextFont* f = font();
  const Sprite* bg = background();
  const int32_t fontHeight = f != nullptr ? f->FontHeight() : 0;
  const int32_t space = f != nullptr ? f->SpaceWidth() : 0;
  if (width <= 0)
    width = bg != nullptr ? bg->frameWidth() : target() != nullptr ? target()->Width() - x : 0;
  height = bg != nullptr ? bg->height() : fontHeight;
  if (framed) height += 2 * (fontHeight / 8);

  int64_t textX = int64_t{x} + space / 4;
  if (!prompt.Empty() && f != nullptr) textX += f->TextWidth(prompt) + space / 4;
  int64_t textY = int64_t{y} + state_.imageTable.textOffsetY;
  if (bg != nullptr) textY += (bg->height() - fontHeight) / 2;
  if (framed) textY += fontHeight / 8 + 1;
  textX_ = Clamp32(textX);
  textY_ = Clamp32(textY);

  const int32_t n = label.Length();
  starts_.assign(static_cast<size_t>(n) + 1, 0);
  ends_.assign(static_cast<size_t>(n), 0);
  const BitmapFont* glyphs = f != nullptr ? f->Font() : nullptr;
  for (int32_t k = 0; k < n; ++k) {
    const size_t i = static_cast<size_t>(k);
    ends_[i] = starts_[i] + (f != nullptr ? f->CharWidth(label[k]) : 0);
    int32_t gap = 0;
    if (k + 1 < n && glyphs != nullptr) glyphs->GlyphGap(label[k], label[k + 1], &gap);
    // The cell after the last starts one column past its right edge.
    starts_[i + 1] = k + 1 < n ? ends_[i] + gap : ends_[i] + 1;
  }
  scroll(int64_t{x} + width - space / 4 - textX_);
}

void TextBox::scroll(int64_t available) {
  const int32_t n = label.Length();
  const int32_t c = effectiveCursor();
  if (rightAligned) {
    firstVisible_ = 0;
    visibleText_ = label;
    return;
  }
  int32_t first = std::clamp(firstVisible_, 0, c);
  while (first < c && offset(c, first) > available) ++first;
  // Scroll back when the text shrank and everything from one earlier fits.
  while (first > 0 && offset(n, first - 1) <= available) --first;
  int32_t end = first;
  while (end < n &&
         ends_[static_cast<size_t>(end)] - starts_[static_cast<size_t>(first)] <= available)
    ++end;
  firstVisible_ = first;
  visibleText_ = WString(label, first, end - first);
}

Rect TextBox::caretRect() const {
  int64_t cx = textX_;
  if (!starts_.empty()) {
    // starts_ may be older than the text; stay inside what it covers.
    const int32_t last = static_cast<int32_t>(starts_.size()) - 1;
    cx += offset(std::clamp(effectiveCursor(), firstVisible_, last), firstVisible_);
  }
  const Rect& o = state_.largeScreen ? kCaretLarge : kCaretSmall;
  return Rect{Clamp32(cx + o.left), Clamp32(int64_t{textY_} + o.top), Clamp32(cx + o.right),
              Clamp32(int64_t{textY_} + o.bottom)};
}

void TextBox::draw() {
  layOut();
  if (!visible) return;
  Surface* t = target();
  TextFont* f = font();
  if (Sprite* bg = background(); bg != nullptr && usesImage) bg->drawAt(t, x, y);
  if (framed) DrawOutline(t, Rect{x - 1, y, x + width, y + height}, frameColour);
  if (f != nullptr) {
    f->DrawString(prompt, x + f->SpaceWidth() / 4, textY_, promptColour);
    f->DrawString(visibleText_, textX_, textY_, labelColour);
  }
  if (t != nullptr && hasFocus() && caretVisible()) {
    const Rect caret = caretRect();
    t->FillArea(&caret, kCaretColour, 0, nullptr);
  }
}

bool TextBox::press(WidgetPoint p) {
  layOut();
  if (!acceptsInput(p) || !contains(p)) return false;
  takeFocus();
  TextFont* f = font();
  int32_t hit = 0;
  if (label.Empty()) {
    cursor_ = 0;
  } else if (f != nullptr && f->HitTest(visibleText_, LayoutBox{textX_, textY_, INT32_MAX},
                                        PlainStyle(), p.x, p.y, &hit)) {
    cursor_ = firstVisible_ + hit;
  } else {
    cursor_ = label.Length();
  }
  restartBlink();
  return true;
}

void TextBox::insertText(const WString& text) {
  if (readOnly) return;
  // A cursor left beyond a replaced text types at the end, where the
  // caret is drawn.
  cursor_ = effectiveCursor();
  label.Insert(cursor_, text);
  cursor_ += text.Length();
  restartBlink();
}

void TextBox::insertChar(char16_t c) { insertText(WString(&c, 1)); }

void TextBox::appendText(const WString& text) {
  if (readOnly) return;
  const int32_t room = WString::kMaxLength - label.Length();
  label.Append(text.CStr(), std::min(text.Length(), room));
  restartBlink();
}

void TextBox::deleteBefore() {
  const int32_t c = effectiveCursor();
  if (readOnly || c == 0) return;
  label.RemoveAt(c - 1);
  cursor_ = c - 1;
  restartBlink();
}

void TextBox::deleteAt() {
  if (readOnly) return;
  const int32_t c = effectiveCursor();
  label.TryRemoveAt(c);
  cursor_ = c;
  restartBlink();
}

void TextBox::clear() {
  label = WString();
  cursor_ = 0;
  firstVisible_ = 0;
  restartBlink();
}

bool TextBox::setCursor(int32_t index) {
  if (index < 0 || index > label.Length()) return false;
  cursor_ = index;
  restartBlink();
  return true;
}

void TextBox::cursorToEnd() { setCursor(label.Length()); }

void TextBox::cursorLeft() { setCursor(std::max(effectiveCursor() - 1, 0)); }

void TextBox::cursorRight() { setCursor(std::min(effectiveCursor() + 1, label.Length())); }

void TextBox::takeFocus() { state_.imageTable.focusedBox = this; }

bool TextBox::hasFocus() const { return state_.imageTable.focusedBox == this; }

void TextBox::restartBlink() { blinkStart_ = platform::TickCount(); }

bool TextBox::caretVisible() const {
  return (platform::TickCount() - blinkStart_) % kBlinkPeriodMs < kBlinkPeriodMs / 2;
}

}  // namespace abacine
