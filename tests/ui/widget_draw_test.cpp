// What widgets draw, pixel by pixel against the glyph strip and the images
// they were given, with a check for stray writes: keys pressed and released,
// disabled and without an image, sprites cut by their insets (opaque, keyed
// and blended, partly off the target), an image button with icon and
// caption, an underlined label and an answer slot's text.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "ui/answer_slot.h"
#include "ui/image_button.h"
#include "ui/key_button.h"
#include "ui/label.h"
#include "ui/sprite.h"
#include "ui_test_support.h"

namespace abacine {
namespace {

using testing::Expected;
using testing::Get;
using testing::Grid;
using testing::Put;
using ui_test::PutGlyph;
using ui_test::UiScene;

constexpr uint16_t kKeyPixel = 0xF81F;

// A sprite of `frames` frames of w x h whose pixels are all different
// (frame f, pixel (x, y): 0x1000 * f + x + y * w + 1), with the top-left
// pixel of each frame the magenta key.
std::unique_ptr<Sprite> NumberedSprite(GraphicsContext* ctx, int32_t w, int32_t h, int32_t frames) {
  auto sprite = std::make_unique<Sprite>(ctx);
  EXPECT_EQ(sprite->create(w * frames, h, frames), kOk);
  for (int32_t f = 0; f < frames; ++f)
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        Put(sprite->surface(), f * w + x, y,
            x == 0 && y == 0 ? kKeyPixel : static_cast<uint16_t>(0x1000 * f + x + y * w + 1));
  sprite->setColourKey(kSampleFontKey);
  return sprite;
}

// Edits want as if frame f of the sprite were drawn at (x, y), keyed.
void PutFrame(Grid& want, const Sprite& sprite, int32_t f, int32_t x, int32_t y) {
  for (int32_t dy = 0; dy < sprite.height(); ++dy)
    for (int32_t dx = 0; dx < sprite.frameWidth(); ++dx) {
      const uint16_t p = Get(sprite.surface(), f * sprite.frameWidth() + dx, dy);
      if (p != kKeyPixel) want.at(x + dx, y + dy) = p;
    }
}

TEST(WidgetDrawTest, PressedKeyShowsFrameOneAndMovesItsLabel) {
  UiScene s;
  s.widgets.imageTable.keyImages[0] = NumberedSprite(&s.tc.ctx, 20, 14, 2);
  s.widgets.imageTable.labelOffsetX = -1;
  s.widgets.imageTable.labelOffsetY = -1;
  s.widgets.imageTable.pressedOffsetX = 2;
  s.widgets.imageTable.pressedOffsetY = 2;
  KeyButton key(s.widgets);
  key.x = 30, key.y = 10;
  key.label = u"7";
  key.updateSize();
  // Label at 30 + 20/2 - 3/2 - 1 = 38 and 10 + 14/2 - 8/2 - 1 + 1 = 13.
  struct Step {
    bool stylus_down;
    int32_t frame, label_x, label_y;
    bool pressed_after;
  };
  const Step steps[] = {{true, 1, 40, 15, true}, {false, 0, 38, 13, false}};
  s.widgets.stylusPressed(35, 15);
  ASSERT_TRUE(key.press(WidgetPoint{35, 15}));
  for (const Step& step : steps) {
    SCOPED_TRACE(step.stylus_down ? "stylus down" : "stylus up");
    if (!step.stylus_down) s.widgets.stylusReleased(35, 15);
    s.Clear();
    Expected e(s.target);
    PutFrame(e.want, *s.widgets.imageTable.keyImages[0], step.frame, 30, 10);
    PutGlyph(e.want, *s.font.Font(), u'7', step.label_x, step.label_y);
    key.draw();
    e.Check(s.target);
    EXPECT_EQ(key.pressed, step.pressed_after);
  }
}

TEST(WidgetDrawTest, KeysWithoutImageAndDisabled) {
  UiScene s;
  KeyButton key(s.widgets);
  key.usesImage = false;
  key.x = 20, key.y = 10;
  key.label = u"7";
  key.fillColour = 0x00204060;
  key.outlineColour = 0x00FFFFFF;
  Expected e(s.target);
  // 11 x 16: the label is at 20 + 5 - 1 = 24, 10 + 8 - 4 + 1 = 15.
  for (int32_t y = 10; y < 26; ++y)
    for (int32_t x = 20; x < 31; ++x)
      e.want.at(x, y) =
          x == 20 || x == 30 || y == 10 || y == 25 ? 0xFFFF : ColourToPixel(0x00204060);
  PutGlyph(e.want, *s.font.Font(), u'7', 24, 15);
  key.draw();
  e.Check(s.target);

  // Disabled: drawn nowhere.
  s.Clear();
  Expected nothing(s.target);
  key.enabled = false;
  key.draw();
  nothing.Check(s.target);
}

TEST(WidgetDrawTest, SpriteDrawsOnlyInsideItsInsets) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    testing::TestContext tc;
    Surface target(&tc.ctx);
    testing::MakeRandom(target, 50, 30, rng, kKeyPixel);
    Sprite sprite(&tc.ctx);
    const int32_t fw = testing::Between(rng, 1, 13), h = testing::Between(rng, 1, 11);
    const int32_t frames = testing::Between(rng, 1, 3);
    ASSERT_EQ(sprite.create(fw * frames, h, frames), kOk);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < fw * frames; ++x)
        Put(sprite.surface(), x, y, testing::BiasedPixel(rng, kKeyPixel));
    const bool keyed = rng() % 2 == 0;
    if (keyed) sprite.setColourKey(kSampleFontKey);
    const int32_t l = testing::Between(rng, 0, 4), t = testing::Between(rng, 0, 4);
    const int32_t r = testing::Between(rng, 0, 4), b = testing::Between(rng, 0, 4);
    sprite.setInsets(l, t, r, b);
    sprite.setFrame(frames - 1);
    const int kind = static_cast<int>(rng() % 3);  // opaque, half opacity, effect at full opacity
    sprite.opacity = kind == 1 ? 50 : 100;
    sprite.effect = kind == 2 ? 1 : 0;
    sprite.x = testing::Between(rng, -8, 52);
    sprite.y = testing::Between(rng, -8, 32);
    SCOPED_TRACE(::testing::Message() << "trial " << trial << ": " << fw << "x" << h << " at "
                                      << sprite.x << "," << sprite.y << " insets " << l << t << r
                                      << b << " keyed " << keyed << " kind " << kind);
    Expected e(target);
    for (int32_t dy = t; dy < h - b; ++dy)
      for (int32_t dx = l; dx < fw - r; ++dx) {
        const int32_t tx = sprite.x + dx, ty = sprite.y + dy;
        if (tx < 0 || ty < 0 || tx >= 50 || ty >= 30) continue;
        const uint16_t p = Get(sprite.surface(), (frames - 1) * fw + dx, dy);
        if (keyed && p == kKeyPixel) continue;
        // 50 % of alpha 255 is opacity 127.
        e.want.at(tx, ty) = kind == 1 ? testing::RefOpacity(p, e.want.at(tx, ty), 127) : p;
      }
    ASSERT_EQ(sprite.draw(&target), kOk);
    e.Check(target);
    Rect clip;
    ASSERT_EQ(target.GetClipRect(&clip), kOk);
    EXPECT_EQ(clip.right, 50);
    EXPECT_EQ(clip.bottom, 30);
  }
}

TEST(WidgetDrawTest, ImageButtonLabelAndSlot) {
  UiScene s;
  s.widgets.imageTable.buttonPicture = NumberedSprite(&s.tc.ctx, 24, 16, 3);
  s.widgets.imageTable.buttonIcons = NumberedSprite(&s.tc.ctx, 6, 5, 2);
  ImageButton button(s.widgets);
  button.x = 4, button.y = 6;
  button.labelColour = 0;
  // Picture frame 0 at (4, 6); the icon at (x + 2, y + 3), on large screens
  // (x + 5, y + 6); the caption "ok" (9 wide) at 4 + 12 - 4 = 12 and
  // 6 + 8 - 4 - 2 + 3 = 11, on large screens 2 lower.
  struct Row {
    const char* name;
    bool large;
    int32_t icon_frame;
    const char16_t* caption;
    int32_t icon_x, icon_y;  // -1: no icon
    int32_t caption_y;
  };
  const Row rows[] = {{"small screen", false, 1, u"ok", 6, 9, 11},
                      {"large screen", true, 1, u"ok", 9, 12, 13},
                      {"icon frame the strip lacks, no caption", false, 2, u"", -1, -1, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    s.Clear();
    s.widgets.largeScreen = r.large;
    button.iconFrame = r.icon_frame;
    button.caption = r.caption;
    Expected e(s.target);
    PutFrame(e.want, *s.widgets.imageTable.buttonPicture, 0, 4, 6);
    if (r.icon_x >= 0) PutFrame(e.want, *s.widgets.imageTable.buttonIcons, 1, r.icon_x, r.icon_y);
    if (!button.caption.Empty()) {
      PutGlyph(e.want, *s.font.Font(), u'o', 12, r.caption_y);
      PutGlyph(e.want, *s.font.Font(), u'k', 17, r.caption_y);
    }
    button.draw();
    e.Check(s.target);
    EXPECT_EQ(button.width, 24);
    EXPECT_EQ(button.height, 16);
  }

  // "link" underlined one row below its glyphs: from x 10 to 10 + 19.
  s.Clear();
  s.widgets.largeScreen = false;
  Label link(s.widgets);
  link.x = 10, link.y = 20;
  link.label = u"link";
  link.underline = true;
  Expected underlined(s.target);
  int32_t pen = 10;
  for (char16_t c : {u'l', u'i', u'n', u'k'}) {
    PutGlyph(underlined.want, *s.font.Font(), c, pen, 20);
    pen += s.font.CharWidth(c) + 1;
  }
  for (int32_t x = 10; x <= 29; ++x) underlined.want.at(x, 27) = 0x0000;
  link.draw();
  underlined.Check(s.target);

  // "42" (7 wide) centred on a 40-wide slot at x 10: 10 + 20 - 3 = 27.
  s.Clear();
  AnswerSlot slot(s.widgets);
  slot.x = 10, slot.y = 30, slot.width = 40, slot.height = 20;
  slot.label = u"42";
  Expected centred(s.target);
  PutGlyph(centred.want, *s.font.Font(), u'4', 27, 30);
  PutGlyph(centred.want, *s.font.Font(), u'2', 31, 30);
  slot.draw();
  centred.Check(s.target);
}

}  // namespace
}  // namespace abacine
