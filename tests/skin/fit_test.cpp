// The skin's sizes against the screen's placement rules, on all four screens
// in shell and full-screen mode: every key inside the screen and clear of the
// bottom buttons, no key's face (normal or pressed) painted over by another
// key, labels, the delete arrow, the answer and the input text inside the
// parts they are drawn on, and the stretched backgrounds covering wide
// screens.
//
// Key images overlap their neighbours by design (the row step is shorter
// than the clipped frame by a quarter of the font height), so clipped frames
// of vertically neighbouring keys do share rows; what must hold is that
// those rows are background in both, which the face checks below prove.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "skin_support.h"

namespace abacine::skin_test {
namespace {

struct Screen {
  int32_t width, height;
  bool full_screen;
};
constexpr Screen kScreens[] = {{240, 320, false}, {320, 240, false}, {480, 640, false}, {640, 480, false},
                               {240, 320, true},  {320, 240, true},  {480, 640, true},  {640, 480, true}};

// The widest key labels of both layers, and the longest answer text.
constexpr const char16_t* kWideLabels[] = {u"asin", u"acos", u"atan", u"2nd", u"log", u"\u00DC^x", u"x\u0086"};
constexpr char16_t kLongestAnswer[] = u"-8.888888888\u0080-308";

class FitTest : public SkinTest {
 protected:
  ScreenMetrics Metrics(const Screen& screen, bool vga) {
    ScreenMetrics m;
    m.screenWidth = screen.width;
    m.screenHeight = screen.height;
    m.vga = vga;
    m.fullScreen = screen.full_screen;
    m.fontHeight = Size("font", vga).height;
    m.header = Size("header", vga);
    m.textbox = Size("textbox", vga);
    m.key = Size("button2", vga);
    m.coolblue = Size("coolblue", vga);
    m.aboutButton = Size("about-button", vga);
    m.clearButton = Size("clear-button", vga);
    return m;
  }
};

TEST_F(FitTest, KeysStayOnScreenClearOfTheButtonsAndOfEachOther) {
  for (const Screen& screen : kScreens) {
    const bool vga = std::max(screen.width, screen.height) == 640;
    SCOPED_TRACE(::testing::Message() << screen.width << "x" << screen.height
                                      << (screen.full_screen ? " full screen" : " shell"));
    const ScreenMetrics m = Metrics(screen, vga);
    const ScreenLayout l = LayOutScreen(m);
    const ClipInsets insets = FindSkinImage("button2")->Insets(vga);

    Surface keys(&context_);
    ASSERT_EQ(Load(&keys, "button2", vga), kOk);
    const int32_t frames = FindSkinImage("button2")->Frames(vga);
    // Faces of the normal and pressed frames, inside the clip.
    const ScreenRect clip = ClippedFrame({0, 0}, m.key, insets);
    const ScreenRect face = Intersection(clip, InkBox(keys, 0, frames));
    const ScreenRect pressed = Intersection(clip, InkBox(keys, 1, frames));
    ASSERT_FALSE(face.Empty());
    ASSERT_FALSE(pressed.Empty());
    const ScreenRect face_union{std::min(face.left, pressed.left), std::min(face.top, pressed.top),
                                std::max(face.right, pressed.right), std::max(face.bottom, pressed.bottom)};

    Surface about(&context_), clear(&context_);
    ASSERT_EQ(Load(&about, "about-button", vga), kOk);
    ASSERT_EQ(Load(&clear, "clear-button", vga), kOk);
    const ScreenRect buttons[] = {ScreenRect{l.aboutButton.x, l.aboutButton.y, l.aboutButton.x + m.aboutButton.width,
                                             l.aboutButton.y + m.aboutButton.height},
                                  ScreenRect{l.clearButton.x, l.clearButton.y, l.clearButton.x + m.clearButton.width,
                                             l.clearButton.y + m.clearButton.height}};
    const ScreenRect button_ink[] = {Offset(InkBox(about, 0, 1), l.aboutButton),
                                     Offset(InkBox(clear, 0, 1), l.clearButton)};

    const ScreenRect screen_rect{0, 0, screen.width, screen.height};
    for (int32_t i = 0; i < kKeypadKeys; ++i) {
      SCOPED_TRACE(::testing::Message() << "key " << i);
      EXPECT_TRUE(l.keyEnabled[i]);
      const ScreenRect drawn = ClippedFrame(l.keys[i], m.key, insets);
      const ScreenRect ink = Offset(face_union, l.keys[i]);
      EXPECT_TRUE(screen_rect.Contains(drawn)) << Describe(drawn);
      for (int32_t b = 0; b < 2; ++b) {
        // Keys are drawn over the buttons: a key's frame must leave the
        // buttons' pictures alone, and its face must stay off them.
        EXPECT_FALSE(drawn.Intersects(button_ink[b])) << Describe(drawn) << " over " << Describe(button_ink[b]);
        EXPECT_FALSE(ink.Intersects(buttons[b])) << Describe(ink);
      }
      // Keys are drawn in index order: a later key's frame must not cover an
      // earlier key's face, and no two faces meet.
      for (int32_t j = i + 1; j < kKeypadKeys; ++j) {
        const ScreenRect later = ClippedFrame(l.keys[j], m.key, insets);
        EXPECT_FALSE(later.Intersects(ink)) << "key " << j << " covers it";
        EXPECT_FALSE(Offset(face_union, l.keys[j]).Intersects(ink)) << "faces of key " << j;
        if (l.keys[j].y == l.keys[i].y) {
          EXPECT_FALSE(later.Intersects(drawn)) << "same row as key " << j;
        }
      }
    }
  }
}

TEST_F(FitTest, LabelsArrowAnswerAndInputTextLieOnTheirParts) {
  for (bool vga : {false, true}) {
    SCOPED_TRACE(vga ? "large" : "small");
    const int32_t s = vga ? 1 : 0;
    const ScreenMetrics m = Metrics({240 << s, 320 << s, false}, vga);
    const ScreenLayout l = LayOutScreen(m);
    BitmapFont blue(&context_), font(&context_);
    ASSERT_EQ(LoadFont(&blue, "bluefont", vga), kOk);
    ASSERT_EQ(LoadFont(&font, "font", vga), kOk);
    Surface keys(&context_);
    ASSERT_EQ(Load(&keys, "button2", vga), kOk);
    const int32_t frames = FindSkinImage("button2")->Frames(vga);
    const KeyLabelOffsets offsets = KeyLabelOffsetsFor(vga);

    for (int32_t frame = 0; frame < 2; ++frame) {
      SCOPED_TRACE(frame == 0 ? "normal" : "pressed");
      const ScreenRect face = InkBox(keys, frame, frames);
      const ScreenPoint shift = frame == 0 ? ScreenPoint{} : offsets.pressed;
      // A label's cell, centred as the key widget centres it.
      for (const char16_t* label : kWideLabels) {
        int32_t width = 0;
        ASSERT_EQ(blue.MeasureText(label, &width), kOk);
        const int32_t x = m.key.width / 2 - width / 2 + offsets.normal.x + shift.x;
        const int32_t y = m.key.height / 2 - blue.Height() / 2 + offsets.normal.y + 1 + shift.y;
        const ScreenRect cell{x, y, x + width, y + blue.GlyphHeight()};
        EXPECT_TRUE(face.Contains(cell)) << std::string(label, label + 4).c_str() << " " << Describe(cell)
                                         << " on " << Describe(face);
      }
      // The delete arrow (small: 9 x 5 pixels, large: 17 x 10 around its start).
      const ScreenPoint a = DeleteArrowOrigin(vga);
      const ScreenRect arrow = vga ? ScreenRect{a.x, a.y - 4, a.x + 17, a.y + 6}
                                   : ScreenRect{a.x, a.y - 2, a.x + 9, a.y + 3};
      EXPECT_TRUE(face.Contains(Offset(arrow, shift))) << Describe(Offset(arrow, shift));
    }

    // The longest answer fits the header beside the lock.
    int32_t answer_width = 0;
    ASSERT_EQ(blue.MeasureText(kLongestAnswer, &answer_width), kOk);
    const ScreenRect header{0, l.header.y, m.header.width, l.header.y + m.header.height};
    const ScreenRect answer{l.answerText.x, l.answerText.y, l.answerText.x + answer_width,
                            l.answerText.y + blue.GlyphHeight()};
    EXPECT_TRUE(header.Contains(answer)) << Describe(answer);
    const FrameSize lock = Size("lock", vga);
    const ScreenRect lock_rect{l.lock.x, l.lock.y, l.lock.x + lock.width, l.lock.y + lock.height};
    EXPECT_TRUE(header.Contains(lock_rect)) << Describe(lock_rect);
    EXPECT_LT(lock_rect.right, answer.left);

    // Input text and caret lie in the input box above the slot tabs, which
    // are drawn over the box's bottom rows.
    const int32_t text_y = l.inputBox.top + (m.textbox.height - font.Height()) / 2 - 1;
    const ScreenRect caret = CaretOffsets(vga);
    EXPECT_GE(text_y + caret.top, l.inputBox.top);
    EXPECT_LE(text_y + font.GlyphHeight(), l.slotImages[0].y);
    EXPECT_LE(text_y + caret.bottom, l.slotImages[0].y);
    EXPECT_LE(l.slotImages[0].y + m.coolblue.height, l.inputBox.bottom);
  }
}

TEST_F(FitTest, StretchedBackgroundsCoverWideScreens) {
  for (const Screen& screen : kScreens) {
    if (screen.width <= screen.height) continue;
    const bool vga = screen.width == 640;
    SCOPED_TRACE(::testing::Message() << screen.width << "x" << screen.height);
    const ScreenMetrics m = Metrics(screen, vga);
    const ScreenLayout l = LayOutScreen(m);
    struct Part {
      FrameSize size;
      StretchDraw stretch;
    };
    for (const Part& p : {Part{m.header, l.headerStretch}, Part{m.textbox, l.textboxStretch}}) {
      // The image at 0 and its stretched copy leave no gap and reach the
      // screen's right edge.
      EXPECT_LT(p.stretch.clipLeft, p.size.width);
      EXPECT_LE(p.stretch.x + p.stretch.clipLeft, p.size.width);
      EXPECT_GE(p.stretch.x + p.size.width, screen.width);
    }
    EXPECT_EQ(l.inputBox.Width(), screen.width);
  }
}

}  // namespace
}  // namespace abacine::skin_test
