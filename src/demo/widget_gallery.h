// The widget gallery of abacine-demo (--widgets): every widget of the
// calculator's widget set on one screen, drawn with the sample glyph strip
// and images made here, so that a person can look at each of them: keys
// (normal, pressed, disabled, without an image), answer slots, image
// buttons, a scrolled text box with a prompt and a blinking caret, labels
// (centred, cut with "...", colour markup and bracket colours, underlined)
// and sprites (frames, insets, opacity). Taps press keys and buttons and
// place the text box's cursor.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/graphics_context.h"
#include "graphics/surface.h"
#include "ui/answer_slot.h"
#include "ui/image_button.h"
#include "ui/key_button.h"
#include "ui/label.h"
#include "ui/sprite.h"
#include "ui/text_box.h"
#include "ui/text_font.h"
#include "ui/widget_state.h"

namespace abacine::demo {

class WidgetGallery {
 public:
  explicit WidgetGallery(GraphicsContext* context);
  ~WidgetGallery();

  // Makes the fonts, images and widgets for a screen of width x height; again
  // after every open or turn of the display. Returns the first failure (the
  // gallery still shows what it could make).
  ResultCode Build(int32_t width, int32_t height);
  void Draw(Surface* back);
  void StylusDown(int32_t x, int32_t y);
  void StylusUp(int32_t x, int32_t y);

 private:
  // One section heading, in grey.
  void Caption(const char16_t* text, int32_t x, int32_t y);
  void DrawKeys();
  void DrawSlotsAndButtons();
  void DrawLabels();
  void DrawSprites();

  GraphicsContext* context_;
  // The widgets keep a reference to their state: it is made first and
  // destroyed last.
  WidgetState widgets_;
  TextFont text_{&widgets_};   // black glyphs, untinted
  TextFont light_{&widgets_};  // white glyphs, tinted white
  std::array<std::unique_ptr<KeyButton>, 4> keys_;
  std::array<std::unique_ptr<AnswerSlot>, 2> slots_;
  std::unique_ptr<Sprite> slotBackground_;
  std::array<std::unique_ptr<ImageButton>, 2> buttons_;
  bool buttonLit_ = true;
  std::unique_ptr<TextBox> box_;
  std::unique_ptr<Label> title_;
  std::unique_ptr<Label> centred_;
  std::unique_ptr<Label> cut_;
  std::unique_ptr<Label> markup_;
  std::unique_ptr<Label> link_;
  std::unique_ptr<Sprite> tiles_;
  std::vector<Widget*> tappable_;  // keys, buttons and the text box
  int32_t unit_ = 1;               // 1 on the 240 class, 2 on the 480 class
  int32_t width_ = 0;              // the screen's
  int32_t height_ = 0;
};

}  // namespace abacine::demo
