// TextBox: scrolling so that the cursor stays inside, the cursor a tap
// gives, the caret's place (against the layout's cells) and blink on a
// simulated clock, editing, and a cursor left beyond a replaced text.
//
// The box sits at (10, 20), 40 wide, in the scale-1 sample font: the text
// starts a quarter space in, at x 11, and may run to 50 - 1 - 11 = 38
// pixels. Each digit is 3 wide and advances 4, so digit k starts at 4k.
#include "ui/text_box.h"

#include <gtest/gtest.h>

#include "platform/controls.h"
#include "platform/platform.h"
#include "ui/sprite.h"
#include "ui_test_support.h"

namespace abacine {
namespace {

using ui_test::UiScene;

struct BoxScene : UiScene {
  BoxScene() : box(widgets) {
    box.x = 10, box.y = 20, box.width = 40;
    box.labelColour = 0;
  }
  TextBox box;
};

TEST(TextBoxTest, ScrollKeepsTheCursorInside) {
  enum Look { kPlain, kFramed, kBackground };
  struct Row {
    const char* name;
    const char16_t* text;
    int32_t cursor;
    const char16_t* prompt;
    bool right_aligned;
    Look look;
    int32_t first;
    const char16_t* visible;
    int32_t text_x, text_y, height;
  };
  const Row rows[] = {
      {"start", u"1234567890", 0, u"", false, kPlain, 0, u"123456789", 11, 20, 8},
      // The caret after "0" sits at 40 - 4 * first; 36 fits.
      {"end", u"1234567890", 10, u"", false, kPlain, 1, u"234567890", 11, 20, 8},
      {"short text", u"12", 2, u"", false, kPlain, 0, u"12", 11, 20, 8},
      {"empty", u"", 0, u"", false, kPlain, 0, u"", 11, 20, 8},
      // The prompt "x>" (9 wide) moves the text to 11 + 9 + 1 = 21; 28 left.
      {"prompt", u"1234567890", 10, u"x>", false, kPlain, 3, u"4567890", 21, 20, 8},
      {"right-aligned never scrolls", u"1234567890", 10, u"", true, kPlain, 0, u"1234567890", 11,
       20, 8},
      // An eighth of the font height (1) above and below; the text moves
      // down by 1 + 1.
      {"framed", u"12", 2, u"", false, kFramed, 0, u"12", 11, 22, 10},
      // A 40 x 16 background centres the text (16 - 8) / 2 = 4 down, less
      // the text offset of 1.
      {"background", u"12", 2, u"", false, kBackground, 0, u"12", 11, 23, 16},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    BoxScene s;
    s.box.label = r.text;
    s.box.prompt = r.prompt;
    s.box.rightAligned = r.right_aligned;
    s.box.framed = r.look == kFramed;
    s.box.frameColour = 0x00FFFFFF;
    if (r.look == kBackground) {
      s.widgets.imageTable.textBoxBackground = std::make_unique<Sprite>(&s.tc.ctx);
      ASSERT_EQ(s.widgets.imageTable.textBoxBackground->create(40, 16, 1), kOk);
      s.widgets.imageTable.textOffsetY = -1;
    }
    ASSERT_TRUE(s.box.setCursor(r.cursor));
    s.box.draw();
    EXPECT_EQ(s.box.firstVisible(), r.first);
    EXPECT_EQ(s.box.visibleText(), r.visible);
    EXPECT_EQ(s.box.textPosition().x, r.text_x);
    EXPECT_EQ(s.box.textPosition().y, r.text_y);
    EXPECT_EQ(s.box.height, r.height);
    // The frame runs one pixel left of the box, around its height. (The
    // background image and a right-aligned text cover those pixels.)
    if (r.look == kBackground || r.right_aligned) continue;
    const uint16_t frame = r.look == kFramed ? 0xFFFF : ui_test::kBackground;
    for (const WidgetPoint p :
         {WidgetPoint{9, 25}, WidgetPoint{49, 25}, WidgetPoint{30, 20}, WidgetPoint{30, 29}}) {
      EXPECT_EQ(testing::Get(s.target, p.x, p.y), frame);
    }
  }
}

TEST(TextBoxTest, ScrollFollowsEditsBothWays) {
  BoxScene s;
  s.box.insertText(u"1234567890");
  s.box.layOut();
  EXPECT_EQ(s.box.firstVisible(), 1);
  s.box.setCursor(0);
  s.box.layOut();
  EXPECT_EQ(s.box.firstVisible(), 0);
  s.box.cursorToEnd();
  s.box.layOut();
  s.box.deleteBefore();
  s.box.deleteBefore();
  s.box.layOut();
  // "12345678" with the caret after it (at 32) fits from the start again.
  EXPECT_EQ(s.box.firstVisible(), 0);
  EXPECT_EQ(s.box.visibleText(), u"12345678");
}

TEST(TextBoxTest, TapPlacesTheCursor) {
  struct Row {
    bool scrolled;  // cursor at the end first, so the text starts at "2"
    const char16_t* text;
    int32_t x, y;
    bool taken;
    int32_t cursor;
  };
  // Character k's cell is (11 + 4k, 20)-(15 + 4k, 28).
  const Row rows[] = {
      {false, u"1234567890", 13, 24, true, 0},  {false, u"1234567890", 18, 24, true, 1},
      {false, u"1234567890", 15, 24, true, 10},  // on a cell edge: no character, the end
      {false, u"1234567890", 48, 24, true, 10},  // right of the visible text
      {false, u"1234567890", 13, 20, false, 3},  // on the box's top edge: not taken
      {false, u"1234567890", 55, 24, false, 3}, {false, u"", 13, 24, true, 0},
      {true, u"1234567890", 13, 24, true, 1},   {true, u"1234567890", 42, 24, true, 8},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "tap " << r.x << "," << r.y << (r.scrolled ? " scrolled" : ""));
    BoxScene s;
    s.box.label = r.text;
    s.box.setCursor(r.scrolled ? s.box.label.Length() : std::min(3, s.box.label.Length()));
    s.box.layOut();
    TextBox other(s.widgets);
    other.takeFocus();
    EXPECT_EQ(s.box.press(WidgetPoint{r.x, r.y}), r.taken);
    EXPECT_EQ(s.box.cursor(), r.taken ? r.cursor : std::min(3, s.box.label.Length()));
    EXPECT_EQ(s.box.hasFocus(), r.taken);
  }
}

TEST(TextBoxTest, CaretSitsOneColumnLeftOfTheCursorCell) {
  for (const bool large : {false, true}) {
    for (const int32_t cursor : {0, 1, 5, 9, 10}) {
      SCOPED_TRACE(::testing::Message() << (large ? "large" : "small") << " cursor " << cursor);
      BoxScene s;
      s.widgets.largeScreen = large;
      s.box.label = u"1234567890";
      s.box.setCursor(cursor);
      s.box.layOut();
      const int32_t first = s.box.firstVisible();
      const WidgetPoint t = s.box.textPosition();
      // The cells of the visible text, as a tap would see them.
      s.font.LayoutText(s.box.visibleText(), LayoutBox{t.x, t.y, INT32_MAX}, TextStyle{}, nullptr);
      Rect cell;
      int32_t cx = 0;
      if (s.font.CellRect(cursor - first, &cell)) {
        cx = cell.left;
      } else {
        ASSERT_TRUE(s.font.CellRect(s.font.CellCount() - 1, &cell));
        cx = cell.right;  // the right edge of the last character
      }
      const Rect caret = s.box.caretRect();
      EXPECT_EQ(caret.left, cx - 1);
      EXPECT_EQ(caret.right, large ? cx + 1 : cx);
      EXPECT_EQ(caret.top, large ? 17 : 19);
      EXPECT_EQ(caret.bottom, large ? 42 : 30);
    }
  }
  BoxScene empty;
  empty.box.layOut();
  EXPECT_EQ(empty.box.caretRect().left, 10);  // the text start, less one
}

TEST(TextBoxTest, CaretBlinksOnTheClock) {
  platform::ManualClock clock(5000);
  platform::ScopedClock use(&clock);
  BoxScene s;
  s.box.label = u"12";
  s.box.cursorToEnd();  // the caret after "2": column 11 + 8 - 1 = 18
  struct Step {
    uint32_t advance;
    bool edit;
    bool shown;
  };
  const Step steps[] = {{0, false, true},    {499, false, true}, {1, false, false},
                        {499, false, false}, {1, false, true},   {200, true, true},
                        {499, false, true},  {1, false, false}};
  uint32_t now = 0;
  for (const Step& step : steps) {
    clock.Advance(step.advance);
    now += step.advance;
    SCOPED_TRACE(::testing::Message() << "at " << now << " ms");
    if (step.edit) s.box.insertChar(u'3');
    EXPECT_EQ(s.box.caretVisible(), step.shown);
    s.Clear();
    s.box.draw();
    const Rect caret = s.box.caretRect();
    EXPECT_EQ(testing::Get(s.target, caret.left, 25), step.shown ? 0x0000 : ui_test::kBackground);
  }
  // Without the focus no caret is drawn, even in the visible half.
  clock.Advance(500);
  ASSERT_TRUE(s.box.caretVisible());
  TextBox other(s.widgets);
  other.takeFocus();
  s.Clear();
  s.box.draw();
  EXPECT_EQ(testing::Get(s.target, s.box.caretRect().left, 25), ui_test::kBackground);
}

// Leaves the cursor at 5 under a text of 2 characters.
void Stale(TextBox& t) {
  t.label = u"12345";
  t.setCursor(5);
  t.label = u"12";
}

TEST(TextBoxTest, Editing) {
  BoxScene s;
  TextBox& b = s.box;
  struct Step {
    const char* name;
    void (*op)(TextBox&);
    const char16_t* text;
    int32_t cursor;
  };
  const Step steps[] = {
      {"insert", [](TextBox& t) { t.insertText(u"12"); }, u"12", 2},
      {"left", [](TextBox& t) { t.cursorLeft(); }, u"12", 1},
      {"insert char", [](TextBox& t) { t.insertChar(u'+'); }, u"1+2", 2},
      {"delete before", [](TextBox& t) { t.deleteBefore(); }, u"12", 1},
      {"delete at", [](TextBox& t) { t.deleteAt(); }, u"1", 1},
      {"delete at the end", [](TextBox& t) { t.deleteAt(); }, u"1", 1},
      {"right at the end", [](TextBox& t) { t.cursorRight(); }, u"1", 1},
      {"left twice", [](TextBox& t) { t.cursorLeft(), t.cursorLeft(); }, u"1", 0},
      {"delete before at 0", [](TextBox& t) { t.deleteBefore(); }, u"1", 0},
      {"cursor past the end refused", [](TextBox& t) { EXPECT_FALSE(t.setCursor(2)); }, u"1", 0},
      {"negative cursor refused", [](TextBox& t) { EXPECT_FALSE(t.setCursor(-1)); }, u"1", 0},
      {"read-only ignores edits",
       [](TextBox& t) {
         t.readOnly = true;
         t.insertText(u"9"), t.deleteAt(), t.cursorToEnd(), t.deleteBefore();
         t.readOnly = false;
       },
       u"1", 1},
      {"clear", [](TextBox& t) { t.clear(); }, u"", 0},
      // The owner replaces the text under a cursor at 5: moving and
      // deleting act at the end...
      {"stale cursor deletes at the end",
       [](TextBox& t) {
         Stale(t);
         t.deleteBefore();
       },
       u"1", 1},
      {"stale cursor moves from the end",
       [](TextBox& t) {
         Stale(t);
         t.cursorLeft();
       },
       u"12", 1},
      // ...and so does inserting, where the caret shows.
      {"stale cursor inserts at the end",
       [](TextBox& t) {
         Stale(t);
         t.insertText(u"9");
       },
       u"129", 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    step.op(b);
    EXPECT_EQ(b.label, step.text);
    EXPECT_EQ(b.cursor(), step.cursor);
  }
}

TEST(TextBoxTest, StaleCursorDrawsAtTheEnd) {
  platform::ManualClock clock;
  platform::ScopedClock use(&clock);
  BoxScene s;
  s.box.label = u"1234567890";
  s.box.setCursor(10);
  s.box.layOut();
  s.box.label = u"12";
  s.box.draw();
  EXPECT_EQ(s.box.cursor(), 10);
  EXPECT_EQ(s.box.effectiveCursor(), 2);
  EXPECT_EQ(s.box.firstVisible(), 0);
  EXPECT_EQ(s.box.visibleText(), u"12");
  EXPECT_EQ(s.box.caretRect().left, 11 + 8 - 1);
  EXPECT_EQ(testing::Get(s.target, 18, 25), 0x0000);
}

}  // namespace
}  // namespace abacine
