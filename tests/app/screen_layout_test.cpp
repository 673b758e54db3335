// Screen placement: exact positions on the four screens with the shipped
// skin's sizes (worked out by hand from the placement rules), the wide
// keypad's fit rule at its boundary, rounding of odd and negative halves,
// and inputs far out of range.
#include "app/screen_layout.h"

#include <gtest/gtest.h>

#include <climits>

namespace abacine {
namespace {

ScreenMetrics Skin(int32_t width, int32_t height, bool vga, bool full_screen = false) {
  const int32_t s = vga ? 1 : 0;
  ScreenMetrics m;
  m.screenWidth = width;
  m.screenHeight = height;
  m.vga = vga;
  m.fullScreen = full_screen;
  m.fontHeight = 13 << s;
  m.header = {240 << s, 36 << s};
  m.textbox = {240 << s, 22 << s};
  m.key = {60 << s, 38 << s};
  m.coolblue = {46 << s, 4 << s};
  m.aboutButton = {36 << s, 26 << s};
  m.clearButton = {36 << s, 26 << s};
  return m;
}

TEST(ScreenLayoutTest, FourScreensWithTheShippedSkin) {
  struct Row {
    const char* name;
    ScreenMetrics metrics;
    int32_t columns;
    ScreenPoint header, answer, lock;
    ScreenRect input_box;
    int32_t keypad_top, column_step, row_step, left_edge, keypad_bottom;
    ScreenPoint last_key;
    ScreenPoint first_tab;
    ScreenRect last_slot;
    ScreenPoint clear;
    StretchDraw header_stretch, textbox_stretch;
  };
  const Row rows[] = {
      {"240x320", Skin(240, 320, false), 4, {0, 0}, {72, 16}, {8, 11}, {0, 36, 240, 58},
       76, 57, 33, 6, 241, {177, 208}, {11, 52}, {182, 59, 228, 83}, {204, 294}, {}, {}},
      {"320x240", Skin(320, 240, false), 5, {0, 0}, {72, 16}, {8, 11}, {0, 36, 320, 58},
       70, 57, 33, 18, 202, {246, 169}, {23, 52}, {251, 59, 297, 83}, {284, 214}, {100, 120}, {80, 160}},
      {"320x240 full screen", Skin(320, 240, false, true), 5, {0, 11}, {72, 27}, {8, 22}, {0, 47, 320, 69},
       81, 57, 33, 18, 213, {246, 180}, {23, 63}, {251, 70, 297, 94}, {284, 214}, {100, 120}, {80, 160}},
      {"480x640", Skin(480, 640, true), 4, {0, -2}, {144, 32}, {16, 20}, {0, 70, 480, 114},
       152, 114, 66, 12, 482, {354, 416}, {22, 103}, {364, 117, 456, 157}, {408, 588}, {}, {}},
      {"640x480", Skin(640, 480, true), 5, {0, -2}, {144, 32}, {16, 20}, {0, 70, 640, 114},
       139, 114, 66, 35, 403, {491, 337}, {45, 103}, {501, 117, 593, 157}, {568, 428}, {200, 240}, {160, 320}},
      {"640x480 full screen", Skin(640, 480, true, true), 5, {0, 20}, {144, 54}, {16, 42}, {0, 92, 640, 136},
       161, 114, 66, 35, 425, {491, 359}, {45, 125}, {501, 139, 593, 179}, {568, 428}, {200, 240}, {160, 320}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ScreenLayout l = LayOutScreen(r.metrics);
    EXPECT_EQ(l.wide, r.columns == 5);
    EXPECT_EQ(l.columns, r.columns);
    EXPECT_EQ(l.rows, 9 - r.columns);
    EXPECT_EQ(l.deleteKey, r.columns - 1);
    EXPECT_EQ(l.header, r.header);
    EXPECT_EQ(l.answerDisplay, (ScreenRect{0, 0, r.metrics.header.width, r.input_box.top}));
    EXPECT_EQ(l.answerText, r.answer);
    EXPECT_EQ(l.lock, r.lock);
    EXPECT_EQ(l.inputBox, r.input_box);
    EXPECT_EQ(l.keypadTop, r.keypad_top);
    EXPECT_EQ(l.columnStep, r.column_step);
    EXPECT_EQ(l.rowStep, r.row_step);
    EXPECT_EQ(l.leftEdge, r.left_edge);
    EXPECT_EQ(l.keypadBottom, r.keypad_bottom);
    EXPECT_TRUE(l.keypadFits);
    EXPECT_EQ(l.keys[0], (ScreenPoint{r.left_edge, r.keypad_top}));
    EXPECT_EQ(l.keys[kKeypadKeys - 1], r.last_key);
    for (bool enabled : l.keyEnabled) EXPECT_TRUE(enabled);
    EXPECT_EQ(l.slotImages[0], r.first_tab);
    EXPECT_EQ(l.slots[r.columns - 1], r.last_slot);
    EXPECT_EQ(l.aboutButton, (ScreenPoint{0, r.clear.y}));
    EXPECT_EQ(l.clearButton, r.clear);
    EXPECT_EQ(l.headerStretch.x, r.header_stretch.x);
    EXPECT_EQ(l.headerStretch.clipLeft, r.header_stretch.clipLeft);
    EXPECT_EQ(l.textboxStretch.x, r.textbox_stretch.x);
    EXPECT_EQ(l.textboxStretch.clipLeft, r.textbox_stretch.clipLeft);
  }
}

TEST(ScreenLayoutTest, WideKeypadGivesUpItsCornerKeysOnlyWhenItReachesTheButtons) {
  // 320x240 ends its keypad at row 202: buttons up to 38 rows tall leave it
  // whole. Upright screens keep every key whatever the buttons' height.
  struct Row {
    int32_t width, height, about_height;
    bool fits;
    bool corners_enabled;
  };
  const Row rows[] = {
      {320, 240, 38, true, true},   {320, 240, 39, false, false}, {320, 240, 240, false, false},
      {240, 320, 79, true, true},   {240, 320, 80, false, true},  {320, 320, 200, false, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.width << "x" << r.height << " about " << r.about_height);
    ScreenMetrics m = Skin(r.width, r.height, false);
    m.aboutButton.height = r.about_height;
    const ScreenLayout l = LayOutScreen(m);
    EXPECT_EQ(l.keypadFits, r.fits);
    for (int32_t i = 0; i < kKeypadKeys; ++i) {
      EXPECT_EQ(l.keyEnabled[i], r.corners_enabled || (i != 15 && i != 19)) << "key " << i;
    }
  }
}

TEST(ScreenLayoutTest, HalvesRoundDownAndInputsAreClamped) {
  struct Row {
    const char* name;
    int32_t width, height, key_width, font_height;
    int32_t left_edge, column_step, keypad_top;
  };
  const Row rows[] = {
      // 7 * 5 = 35 halves to 17; a 0-wide key steps back by 3: -15 halves to -8.
      {"odd keypad width", 320, 240, 10, 13, 160 - 17, 7, 70},
      {"negative column step", 320, 240, 0, 13, 160 + 8, -3, 70},
      {"odd screen width", 241, 320, 60, 13, 120 - 114, 57, 76},
      // Out-of-range sizes act as the nearest in-range value.
      {"negative font height", 240, 320, 60, -5, 0, 60, 57},
      {"huge screen", INT_MAX, INT_MAX, 60, 13, kMaxLayoutInput / 2 - 114, 57, 76},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ScreenMetrics m = Skin(r.width, r.height, false);
    m.key.width = r.key_width;
    m.fontHeight = r.font_height;
    const ScreenLayout l = LayOutScreen(m);
    EXPECT_EQ(l.columnStep, r.column_step);
    EXPECT_EQ(l.leftEdge, r.left_edge);
    EXPECT_EQ(l.keypadTop, r.keypad_top);
  }
  // Every size at its extreme: defined, and the same as the clamped sizes.
  for (int32_t v : {INT_MIN, INT_MAX}) {
    SCOPED_TRACE(v);
    ScreenMetrics m{v, v, true, true, v, {v, v}, {v, v}, {v, v}, {v, v}, {v, v}, {v, v}};
    const int32_t c = v < 0 ? 0 : kMaxLayoutInput;
    ScreenMetrics clamped{c, c, true, true, c, {c, c}, {c, c}, {c, c}, {c, c}, {c, c}, {c, c}};
    const ScreenLayout a = LayOutScreen(m);
    const ScreenLayout b = LayOutScreen(clamped);
    EXPECT_EQ(a.keys, b.keys);
    EXPECT_EQ(a.slots, b.slots);
    EXPECT_EQ(a.clearButton, b.clearButton);
  }
}

TEST(ScreenLayoutTest, ClippedFramesAndRectangles) {
  EXPECT_EQ(ClippedFrame({6, 76}, {60, 38}, {2, 0, 2, 2}), (ScreenRect{8, 76, 64, 112}));
  EXPECT_EQ(ClippedFrame({-3, 5}, {10, 10}, {}), (ScreenRect{-3, 5, 7, 15}));

  struct Row {
    ScreenRect a, b;
    bool intersects, a_contains_b;
  };
  const Row rows[] = {
      {{0, 0, 10, 10}, {10, 0, 20, 10}, false, false},  // touching edges share no pixel
      {{0, 0, 10, 10}, {9, 9, 20, 20}, true, false},
      {{0, 0, 10, 10}, {2, 2, 10, 10}, true, true},
      {{0, 0, 10, 10}, {5, 5, 5, 8}, false, true},      // empty: never hit, lies anywhere
      {{0, 0, 10, 10}, {-1, 0, 5, 5}, true, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.b.left << "," << r.b.top << "," << r.b.right << "," << r.b.bottom);
    EXPECT_EQ(r.a.Intersects(r.b), r.intersects);
    EXPECT_EQ(r.b.Intersects(r.a), r.intersects);
    EXPECT_EQ(r.a.Contains(r.b), r.a_contains_b);
  }
}

TEST(ScreenLayoutTest, SmallConstantsDoubleOnLargeScreens) {
  EXPECT_EQ(DeleteArrowOrigin(false), (ScreenPoint{25, 17}));
  EXPECT_EQ(DeleteArrowOrigin(true), (ScreenPoint{50, 34}));
  EXPECT_EQ(KeyLabelOffsetsFor(false).normal, (ScreenPoint{-1, -1}));
  EXPECT_EQ(KeyLabelOffsetsFor(true).normal, (ScreenPoint{-1, -2}));
  EXPECT_EQ(KeyLabelOffsetsFor(false).pressed, (ScreenPoint{2, 2}));
  EXPECT_EQ(KeyLabelOffsetsFor(true).pressed, (ScreenPoint{4, 4}));
  EXPECT_EQ(CaretOffsets(false), (ScreenRect{-1, -1, 0, 10}));
  EXPECT_EQ(CaretOffsets(true), (ScreenRect{-1, -3, 1, 22}));
}

}  // namespace
}  // namespace abacine
