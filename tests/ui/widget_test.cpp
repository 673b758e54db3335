// Which widget takes a tap: exclusive edges on all four sides, the
// accept-input rule, press and release, and each class's own rule (keys,
// answer slots, labels, image buttons, text-box focus), plus the sprite's
// frame guard and the shared state's reset.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>
#include <vector>

#include "ui/answer_slot.h"
#include "ui/image_button.h"
#include "ui/key_button.h"
#include "ui/label.h"
#include "ui/sprite.h"
#include "ui/text_box.h"
#include "ui_test_support.h"

namespace abacine {
namespace {

using ui_test::UiScene;

// Counts its callbacks.
class Probe : public Widget {
 public:
  using Widget::Widget;
  void onPress(const Rect& r) override {
    ++presses;
    last = r;
  }
  void onClick(const Rect&) override { ++clicks; }
  int presses = 0;
  int clicks = 0;
  Rect last{};
};

// Widget, key, slot and text box over the rectangle (10, 20)-(50, 40).
struct Placed {
  explicit Placed(WidgetState& state) : probe(state), key(state), slot(state), box(state) {
    for (Widget* w : all()) {
      w->x = 10;
      w->y = 20;
      w->width = 40;
      w->height = 20;
    }
    key.usesImage = false;
    slot.occupied = true;
  }
  std::vector<Widget*> all() { return {&probe, &key, &slot, &box}; }
  Probe probe;
  KeyButton key;
  AnswerSlot slot;
  TextBox box;
};

TEST(WidgetTest, EdgesAreExclusiveOnAllFourSides) {
  UiScene s;
  // The text box takes its height from its background.
  s.widgets.imageTable.textBoxBackground = std::make_unique<Sprite>(&s.tc.ctx);
  ASSERT_EQ(s.widgets.imageTable.textBoxBackground->create(40, 20, 1), kOk);
  Placed p(s.widgets);
  struct Row {
    int32_t x, y;
    bool inside;
  };
  const Row rows[] = {{10, 30, false}, {50, 30, false}, {30, 20, false}, {30, 40, false},
                      {11, 21, true},  {49, 39, true},  {11, 39, true},  {49, 21, true},
                      {9, 30, false},  {51, 30, false}, {-5, -5, false}};
  for (Widget* w : p.all()) {
    for (const Row& r : rows) {
      SCOPED_TRACE(::testing::Message() << typeid(*w).name() << " at " << r.x << "," << r.y);
      EXPECT_EQ(w->press(WidgetPoint{r.x, r.y}), r.inside);
    }
  }
}

TEST(WidgetTest, AcceptInputRule) {
  struct Row {
    const char* name;
    bool visible, enabled, blocked;
    bool capture;  // capture rectangle (0, 0)-(20, 30)
    int32_t x, y;
    bool taken;
  };
  const Row rows[] = {
      {"plain", true, true, false, false, 15, 25, true},
      {"hidden", false, true, false, false, 15, 25, false},
      {"disabled", true, false, false, false, 15, 25, false},
      {"blocked", true, true, true, false, 15, 25, false},
      {"capture holds the point", true, true, false, true, 15, 25, true},
      // The capture rectangle decides alone: hidden, disabled or blocked
      // widgets inside it still take the tap.
      {"capture overrides hidden", false, false, true, true, 15, 25, true},
      {"outside the capture", true, true, false, true, 25, 25, false},
      {"on the capture's edge", true, true, false, true, 20, 25, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    WidgetState state;
    Probe w(state);
    w.x = 10, w.y = 20, w.width = 40, w.height = 20;
    w.visible = r.visible;
    w.enabled = r.enabled;
    state.inputBlocked = r.blocked;
    if (r.capture) state.capture = Rect{0, 0, 20, 30};
    EXPECT_EQ(w.press(WidgetPoint{r.x, r.y}), r.taken);
    EXPECT_EQ(w.pressed, r.taken);
    EXPECT_EQ(w.presses, r.taken ? 1 : 0);
  }
}

TEST(WidgetTest, PressAndRelease) {
  WidgetState state;
  Probe w(state);
  w.x = 10, w.y = 20, w.width = 40, w.height = 20;
  EXPECT_FALSE(w.release(WidgetPoint{30, 30}));  // not pressed
  ASSERT_TRUE(w.press(WidgetPoint{30, 30}));
  EXPECT_EQ(w.last.left, 10);
  EXPECT_EQ(w.last.right, 50);
  EXPECT_EQ(w.last.bottom, 40);
  // Lifted outside: no click, but no longer pressed.
  EXPECT_FALSE(w.release(WidgetPoint{60, 30}));
  EXPECT_FALSE(w.pressed);
  ASSERT_TRUE(w.press(WidgetPoint{30, 30}));
  EXPECT_TRUE(w.release(WidgetPoint{31, 31}));
  EXPECT_EQ(w.clicks, 1);
  EXPECT_TRUE(w.isLive());
}

TEST(WidgetTest, OwnTapRules) {
  UiScene s;
  KeyButton key(s.widgets);
  key.usesImage = false;
  key.x = 10, key.y = 20;
  key.label = u"7";
  key.updateSize();
  // 3 + 2 spaces wide, two font heights tall.
  EXPECT_EQ(key.width, 11);
  EXPECT_EQ(key.height, 16);
  EXPECT_TRUE(key.press(WidgetPoint{15, 25}));
  key.enabled = false;
  EXPECT_FALSE(key.press(WidgetPoint{15, 25}));

  AnswerSlot slot(s.widgets);
  slot.x = 10, slot.y = 20, slot.width = 40, slot.height = 20;
  EXPECT_FALSE(slot.press(WidgetPoint{30, 30}));  // empty: the tap falls through
  slot.occupied = true;
  EXPECT_TRUE(slot.press(WidgetPoint{30, 30}));
  EXPECT_FALSE(slot.pressed);
  EXPECT_FALSE(slot.press(WidgetPoint{50, 30}));

  // "link" is 4 + 1 + 3 + 1 + 5 + 1 + 4 = 19 wide, 8 tall, from x = 10.
  Label link(s.widgets);
  link.x = 10, link.y = 20;
  link.label = u"link";
  EXPECT_FALSE(link.press(WidgetPoint{20, 24}));  // not underlined
  link.underline = true;
  EXPECT_TRUE(link.press(WidgetPoint{20, 24}));
  EXPECT_TRUE(link.press(WidgetPoint{28, 27}));
  EXPECT_FALSE(link.press(WidgetPoint{29, 24}));
  EXPECT_FALSE(link.press(WidgetPoint{20, 28}));
  // Centred on the 120-wide target: 60 - 19/2 + x.
  link.centred = true;
  EXPECT_EQ(link.textRect().left, 51 + 10);
}

TEST(WidgetTest, ImageButtonFrames) {
  struct Row {
    bool force, bound, bound_value, frame_only, pressed, stylus;
    int32_t frame;
  };
  const Row rows[] = {
      {true, true, true, true, true, true, 2},     {false, true, true, true, false, false, 1},
      {false, true, false, true, true, true, 0},   {false, false, false, false, false, false, 1},
      {false, false, false, true, true, true, 1},  {false, false, false, true, true, false, 0},
      {false, false, false, true, false, true, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message()
                 << r.force << r.bound << r.bound_value << r.frame_only << r.pressed << r.stylus);
    WidgetState state;
    ImageButton b(state);
    bool flag = r.bound_value;
    b.forcePressedLook = r.force;
    if (r.bound) b.boundFlag = &flag;
    b.pressedFrameOnly = r.frame_only;
    b.pressed = r.pressed;
    state.stylusDown = r.stylus;
    EXPECT_EQ(b.pictureFrame(), r.frame);
  }
  WidgetState state;
  ImageButton b(state);
  bool flag = false;
  b.boundFlag = &flag;
  b.width = 20, b.height = 20;
  EXPECT_TRUE(b.press(WidgetPoint{5, 5}));
  EXPECT_TRUE(flag);
  b.release(WidgetPoint{5, 5});
  EXPECT_TRUE(b.press(WidgetPoint{5, 5}));
  EXPECT_FALSE(flag);
}

TEST(WidgetTest, FirstTextBoxTakesTheFocus) {
  UiScene s;
  WidgetState& state = s.widgets;
  auto first = std::make_unique<TextBox>(state);
  TextBox second(state);
  EXPECT_TRUE(first->hasFocus());
  EXPECT_FALSE(second.hasFocus());
  first.reset();
  EXPECT_EQ(state.imageTable.focusedBox, nullptr);
  EXPECT_FALSE(second.hasFocus());
  // With none focused, a new box takes the focus; destroying an unfocused
  // box leaves the focus alone.
  auto third = std::make_unique<TextBox>(state);
  EXPECT_TRUE(third->hasFocus());
  // A tap gives the focus.
  second.width = 50;
  ASSERT_TRUE(second.press(WidgetPoint{5, 3}));
  EXPECT_TRUE(second.hasFocus());
  third.reset();
  EXPECT_TRUE(second.hasFocus());
}

TEST(WidgetTest, SpriteFrameGuardAndStateReset) {
  testing::TestContext tc;
  Sprite sprite(&tc.ctx);
  ASSERT_EQ(sprite.create(30, 10, 3), kOk);
  EXPECT_EQ(sprite.frameWidth(), 10);
  for (const int32_t f : {2, 3, -1, 7}) sprite.setFrame(f);
  EXPECT_EQ(sprite.frame(), 2);  // 3 (the frame count), -1 and 7 are ignored
  sprite.setFrame(0);
  EXPECT_EQ(sprite.frame(), 0);

  WidgetState state;
  state.imageTable.keyImages[0] = std::make_unique<Sprite>(&tc.ctx);
  state.stylusPressed(4, 5);
  state.capture = Rect{0, 0, 1, 1};
  TextBox box(state);
  state.reset();
  EXPECT_EQ(state.imageTable.keyImages[0], nullptr);
  EXPECT_EQ(state.imageTable.focusedBox, nullptr);
  EXPECT_FALSE(state.stylusDown);
  EXPECT_FALSE(state.capture.has_value());
}

}  // namespace
}  // namespace abacine
