// What the calculator puts on the screen, pixel by pixel, on all four
// screens: every key's frame where the placement rules put it (hand-worked
// positions, not stored screenshots), in both layers; a held key's pressed
// frame and moved label and its return after release; the delete key's
// arrow; the bottom buttons; on wide screens the header and the input box
// stretched to the right edge; and the about screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/skin_table.h"
#include "calc_support.h"
#include "graphics/archive.h"
#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"

namespace abacine::testing {
namespace {

// A skin image or the screen as 5-6-5 pixels.
struct Picture {
  int32_t width = 0, height = 0;
  std::vector<uint16_t> pixels;
  uint16_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

Picture LoadPicture(const char* name, bool vga) {
  GraphicsContext context;
  DisplayState* s = context.State();
  s->open = 1;
  s->properties = DisplayProperties{480, 640, 2, 960, 16, kFormat565 | kFormatDirectAccess};
  Archive archive;
  Picture out;
  const std::string path = std::string(ABACINE_BINARY_DIR) + "/bin/windows.vfs";
  if (archive.OpenArchive(path.c_str()) != kOk) return out;
  Surface surface(&context);
  const std::string entry = SkinImagePath(name, vga);
  if (LoadFromArchive(&surface, kSurfaceClear, &archive,
                      std::u16string(entry.begin(), entry.end()).c_str()) != kOk) {
    return out;
  }
  const SurfaceLayout& l = surface.Layout();
  out.width = surface.Width();
  out.height = surface.Height();
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      out.pixels.push_back(
          surface.Pixels()[l.origin + int64_t{x} * l.x_step + int64_t{y} * l.y_step]);
    }
  }
  return out;
}

using Screen = Picture;

// The screen after a run.
Screen Shot() {
  const platform::Device& d = platform::TheDevice();
  return Screen{d.ScreenWidth(), d.ScreenHeight(), d.ScreenPixels()};
}

// Where the keypad goes on each screen with the shipped skin, worked out
// by hand from the placement rules: the left edge, the keypad's top, the
// column and row steps; and the key frame's clipping insets. Also the slot
// row: the first slot's left edge and width, its text line's top and the
// font's height; the mode switches' frame spans 3 (4) rows above the line
// to 1 (2) below it.
struct Keypad {
  const char* screen;
  bool vga;
  int32_t columns, left, top, columnStep, rowStep;
  int32_t insetSide, insetBottom;
  int32_t slotLeft, slotWidth, slotTop, fontHeight;
  int32_t switchesTop() const { return slotTop - (vga ? 4 : 3); }
  int32_t switchesBottom() const { return slotTop + fontHeight + (vga ? 2 : 1); }
};
constexpr Keypad kKeypads[] = {
    {"240x320", false, 4, 6, 76, 57, 33, 2, 2, 11, 46, 59, 13},
    {"320x240", false, 5, 18, 70, 57, 33, 2, 2, 23, 46, 59, 13},
    {"480x640", true, 4, 12, 152, 114, 66, 4, 4, 22, 92, 117, 26},
    {"640x480", true, 5, 35, 139, 114, 66, 4, 4, 45, 92, 117, 26},
};

// The key image of a class: a strip of frames (normal, pressed).
struct KeyImage {
  Picture strip;
  int32_t frames = 1;
  int32_t width() const { return strip.width / frames; }
  int32_t height() const { return strip.height; }
  uint16_t At(int32_t frame, int32_t x, int32_t y) const {
    return strip.At(frame * width() + x, y);
  }
};

KeyImage LoadKeyImage(bool vga) {
  return {LoadPicture("button2", vga), FindSkinImage("button2")->Frames(vga)};
}

struct KeyBox {
  int32_t x, y;  // the frame's top-left corner
  int32_t left, top, right, bottom;  // its clipped, visible part
};

KeyBox KeyAt(const Keypad& k, const KeyImage& key, int32_t i) {
  const int32_t x = k.left + (i % k.columns) * k.columnStep;
  const int32_t y = k.top + (i / k.columns) * k.rowStep;
  return {x, y, x + k.insetSide, y, x + key.width() - k.insetSide, y + key.height() - k.insetBottom};
}

bool Inside(const KeyBox& b, int32_t x, int32_t y) {
  return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
}

class CalcPixelsTest : public CalcTest {
 protected:
  // Compares every key's visible frame with the key image's frame (the
  // pressed one for `pressedKey`), leaving out the label's rows, what later
  // keys cover and the rows above `fromRow` (the mode switches, drawn after
  // the keys, reach into the blank top rows of the wide keypad's frames),
  // and makes sure enough of each was compared.
  void CheckKeys(const Keypad& k, const Screen& screen, int32_t pressedKey, int32_t fromRow = 0) {
    const KeyImage key = LoadKeyImage(k.vga);
    const Picture blue = LoadPicture("bluefont", k.vga);
    ASSERT_GT(key.width(), 0);
    ASSERT_GT(blue.height, 0);
    const int32_t s = k.vga ? 1 : 0;
    for (int32_t i = 0; i < kKeypadKeys; ++i) {
      SCOPED_TRACE("key " + std::to_string(i));
      const KeyBox box = KeyAt(k, key, i);
      const int32_t frame = i == pressedKey ? 1 : 0;
      // The label's rows, normal or moved while pressed.
      const int32_t labelTop = box.y + key.height() / 2 - blue.height / 2 + (k.vga ? -2 : -1) + 1;
      const int32_t labelBottom = labelTop + blue.height + (2 << s);
      int32_t compared = 0, wrong = 0;
      for (int32_t y = std::max(box.top, fromRow); y < box.bottom; ++y) {
        if (y >= labelTop && y < labelBottom) continue;
        for (int32_t x = box.left; x < box.right; ++x) {
          bool covered = false;
          for (int32_t j = i + 1; j < kKeypadKeys && !covered; ++j) {
            covered = Inside(KeyAt(k, key, j), x, y);
          }
          if (covered) continue;
          ++compared;
          if (screen.At(x, y) != key.At(frame, x - box.x, y - box.y)) ++wrong;
        }
      }
      EXPECT_EQ(wrong, 0) << "of " << compared;
      EXPECT_GE(compared, (box.right - box.left) * (box.bottom - box.top) / 4);
    }
  }
};

TEST_F(CalcPixelsTest, EveryKeyFrameWhereTheRulesPutItInBothLayers) {
  for (const Keypad& k : kKeypads) {
    for (const int32_t layer : {0, 1}) {
      const std::string script = layer == 0 ? "type 7.5^2+3" : "type 7.5^2+3\npress 2nd";
      SCOPED_TRACE(std::string(k.screen) + ": " + script);
      const CalcRun run = Run(k.screen, script);
      ASSERT_EQ(run.status, 0) << run.err;
      CheckKeys(k, Shot(), -1, layer == 0 ? 0 : k.switchesBottom());
    }
  }
}

// The ink of a key's label: the pixels of its visible frame that differ
// from the key image's frame.
ScreenRect LabelInk(const Keypad& k, const Screen& screen, int32_t i, int32_t frame) {
  const KeyImage key = LoadKeyImage(k.vga);
  const KeyBox box = KeyAt(k, key, i);
  ScreenRect ink{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  // Up to the next row's frame, which covers the bottom rows.
  for (int32_t y = box.top; y < box.top + k.rowStep; ++y) {
    for (int32_t x = box.left; x < box.right; ++x) {
      if (screen.At(x, y) == key.At(frame, x - box.x, y - box.y)) continue;
      ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
             std::max(ink.bottom, y + 1)};
    }
  }
  return ink;
}

TEST_F(CalcPixelsTest, AHeldKeyShowsItsPressedFrameAndMovedLabelUntilReleased) {
  for (const Keypad& k : kKeypads) {
    SCOPED_TRACE(k.screen);
    // Key 6: "9" upright, "4" wide; the middle of its frame.
    const KeyImage key = LoadKeyImage(k.vga);
    const KeyBox box = KeyAt(k, key, 6);
    const std::string at = std::to_string(box.x + key.width() / 2) + " " +
                           std::to_string(box.y + key.height() / 2);
    const int32_t shift = k.vga ? 4 : 2;

    ASSERT_EQ(Run(k.screen, "frames 1").status, 0);
    const Screen before = Shot();
    const CalcRun held = Run(k.screen, "down " + at + "\nstate");
    ASSERT_EQ(held.states.size(), 1u) << held.err;
    EXPECT_EQ(Text(held.states[0], "input"), k.columns == 4 ? "9" : "4");
    const Screen pressed = Shot();
    CheckKeys(k, pressed, 6);
    const ScreenRect normalInk = LabelInk(k, before, 6, 0);
    const ScreenRect pressedInk = LabelInk(k, pressed, 6, 1);
    ASSERT_LT(normalInk.left, normalInk.right);
    EXPECT_EQ(pressedInk.left, normalInk.left + shift);
    EXPECT_EQ(pressedInk.top, normalInk.top + shift);
    EXPECT_EQ(pressedInk.Width(), normalInk.Width());
    EXPECT_EQ(pressedInk.Height(), normalInk.Height());

    ASSERT_EQ(Run(k.screen, "down " + at + "\nup " + at).status, 0);
    CheckKeys(k, Shot(), -1);
  }
}

// The arrow's black pixels, relative to the key's corner.
std::vector<ScreenPoint> ArrowPixels(bool vga) {
  std::vector<ScreenPoint> out;
  const int32_t x = vga ? 50 : 25, y = vga ? 34 : 17;
  if (!vga) {
    for (int32_t i = 0; i < 8; ++i) out.push_back({x + i, y});
    for (int32_t dy = -1; dy <= 1; ++dy) out.push_back({x + 1, y + dy});
    for (int32_t dy = -2; dy <= 2; ++dy) out.push_back({x + 2, y + dy});
    return out;
  }
  for (int32_t i = 0; i < 16; ++i) out.insert(out.end(), {{x + i, y}, {x + i, y + 1}});
  for (int32_t k = 0; k < 4; ++k) {
    for (int32_t yy = y - k - 1; yy <= y + k + 2; ++yy) out.push_back({x + 1 + k, yy});
  }
  return out;
}

TEST_F(CalcPixelsTest, TheDeleteKeyCarriesItsArrowAndMovesItWhilePressed) {
  for (const Keypad& k : kKeypads) {
    SCOPED_TRACE(k.screen);
    // The delete key ends the first row.
    const KeyBox box = KeyAt(k, LoadKeyImage(k.vga), k.columns - 1);
    const std::string at = std::to_string(box.x + 6) + " " + std::to_string(box.y + 6);
    for (const bool pressed : {false, true}) {
      SCOPED_TRACE(pressed ? "pressed" : "normal");
      ASSERT_EQ(Run(k.screen, pressed ? "type 12\ndown " + at : "type 12").status, 0);
      const Screen screen = Shot();
      const int32_t shift = pressed ? (k.vga ? 4 : 2) : 0;
      const std::vector<ScreenPoint> arrow = ArrowPixels(k.vga);
      int32_t minX = INT32_MAX, maxX = INT32_MIN;
      for (const ScreenPoint& p : arrow) {
        EXPECT_EQ(screen.At(box.x + p.x + shift, box.y + p.y + shift), 0) << p.x << "," << p.y;
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
      }
      // Nothing black just beyond its tip and its tail.
      const int32_t y = box.y + (k.vga ? 34 : 17) + shift;
      EXPECT_NE(screen.At(box.x + minX - 1 + shift, y), 0);
      EXPECT_NE(screen.At(box.x + maxX + 1 + shift, y), 0);
    }
  }
}

// The picture `p` drawn at (x, y): every pixel of `columns` of it that lies
// on rows [fromRow, toRow) of the screen.
int32_t Mismatches(const Screen& screen, const Picture& p, int32_t x, int32_t y,
                   int32_t firstColumn, int32_t fromRow, int32_t toRow) {
  int32_t wrong = 0;
  for (int32_t sy = std::max(fromRow, y); sy < std::min(toRow, y + p.height); ++sy) {
    for (int32_t c = firstColumn; c < p.width; ++c) {
      if (x + c < 0 || x + c >= screen.width) continue;
      if (screen.At(x + c, sy) != p.At(c, sy - y)) ++wrong;
    }
  }
  return wrong;
}

TEST_F(CalcPixelsTest, HeaderInputBoxAndButtonsAndTheWideStretch) {
  for (const Keypad& k : kKeypads) {
    SCOPED_TRACE(k.screen);
    const int32_t s = k.vga ? 1 : 0;
    const Picture header = LoadPicture("header", k.vga);
    const Picture textbox = LoadPicture("textbox", k.vga);
    const Picture about = LoadPicture("about-button", k.vga);
    const Picture clear = LoadPicture("clear-button", k.vga);
    // Nothing typed: no answer text, no caret beyond the box's first columns.
    ASSERT_EQ(Run(k.screen, "frames 1").status, 0);
    const Screen screen = Shot();
    const int32_t headerY = k.vga ? -2 : 0;
    const int32_t boxY = headerY + header.height;
    const int32_t tabs = boxY + textbox.height - (k.vga ? 11 : 6);  // slot tabs from here on
    EXPECT_EQ(Mismatches(screen, header, 0, headerY, 0, 0, boxY), 0);
    EXPECT_EQ(Mismatches(screen, textbox, 0, boxY, 4 << s, boxY, tabs), 0);
    if (k.columns == 5) {
      // The right ends drawn again further right, to the screen's edge.
      EXPECT_EQ(Mismatches(screen, header, 100 << s, headerY, 120 << s, 0, boxY), 0);
      EXPECT_EQ(Mismatches(screen, textbox, 80 << s, boxY, 160 << s, boxY, tabs), 0);
      EXPECT_GE((100 << s) + header.width, screen.width);
      EXPECT_GE((80 << s) + textbox.width, screen.width);
    } else {
      EXPECT_EQ(header.width, screen.width);
    }
    EXPECT_EQ(Mismatches(screen, about, 0, screen.height - about.height, 0, 0, screen.height), 0);
    EXPECT_EQ(Mismatches(screen, clear, screen.width - clear.width, screen.height - clear.height, 0,
                         0, screen.height),
              0);
  }
}

// The about screen in place of the keys, on every screen: the close and
// help pictures where the rules put them (the space is 4 pixels wide, 8 on
// large screens), the web address two font heights below four credits
// lines and underlined exactly under its text, the version centred near
// the bottom, no keys; and the keys back after a second tap.
TEST_F(CalcPixelsTest, TheAboutScreenInPlaceOfTheKeys) {
  constexpr uint16_t kBackground = 0xE73C;
  for (const Keypad& k : kKeypads) {
    SCOPED_TRACE(k.screen);
    const int32_t s = k.vga ? 1 : 0;
    const Picture close = LoadPicture("closebutton", k.vga);
    const Picture help = LoadPicture("help", k.vga);
    const int32_t fh = LoadPicture("font", k.vga).height;
    ScreenRect link;
    const CalcRun run = Run(k.screen, "tap about", false, 0,
                            [&](AbacineApp& app) { link = app.partRect(ScreenPart::kLink); });
    ASSERT_EQ(run.status, 0) << run.err;
    const Screen screen = Shot();
    const int32_t top = k.top + (6 << s);
    const int32_t buttonX = screen.width - help.width - (4 << s);
    EXPECT_EQ(Mismatches(screen, close, buttonX, top, 0, 0, screen.height), 0);
    EXPECT_EQ(Mismatches(screen, help, buttonX, top + 2 * help.height, 0, 0, screen.height), 0);

    EXPECT_EQ(link.left, 20 << s);
    EXPECT_EQ(link.top, top + fh * 6);
    EXPECT_EQ(link.Height(), fh);
    EXPECT_GT(link.Width(), 16 << s);
    const int32_t underline = link.top + fh - fh / 8;
    for (int32_t x = link.left; x <= link.right; ++x) EXPECT_EQ(screen.At(x, underline), 0) << x;
    EXPECT_NE(screen.At(link.left - 1, underline), 0);
    EXPECT_NE(screen.At(link.right + 1, underline), 0);

    // Key 19's middle (the last row's right end) shows the background.
    const KeyBox last = KeyAt(k, LoadKeyImage(k.vga), kKeypadKeys - 1);
    EXPECT_EQ(screen.At((last.left + last.right) / 2, (last.top + last.bottom) / 2), kBackground);

    const int32_t versionTop = screen.height - fh / 2 - fh;
    int32_t inkLeft = INT32_MAX, inkRight = INT32_MIN;
    for (int32_t y = versionTop; y < versionTop + fh; ++y) {
      for (int32_t x = 60 << s; x < screen.width - (60 << s); ++x) {
        if (screen.At(x, y) == kBackground) continue;
        inkLeft = std::min(inkLeft, x);
        inkRight = std::max(inkRight, x);
      }
    }
    ASSERT_LE(inkLeft, inkRight) << "no version text";
    EXPECT_LE(std::abs(inkLeft + inkRight + 1 - screen.width), 3) << inkLeft << ".." << inkRight;

    ASSERT_EQ(Run(k.screen, "tap about\ntap about").status, 0);
    CheckKeys(k, Shot(), -1);
  }
}

constexpr uint16_t To565(uint32_t bbggrr) {
  return static_cast<uint16_t>(((bbggrr & 0xF8) << 8) | ((bbggrr >> 5) & 0x7E0) |
                               ((bbggrr >> 19) & 0x1F));
}

// Layer 1: three nested one-pixel frames (grey, white, grey) around the
// chosen angle mode's text line and no other; the lock image on the answer
// display exactly while the slots are locked.
TEST_F(CalcPixelsTest, TheAngleModeFrameAndTheLockImage) {
  const uint16_t ring[] = {To565(0xA0A0A0), To565(0xFFFFFF), To565(0xA0A0A0)};
  for (const Keypad& k : kKeypads) {
    const Picture lock = LoadPicture("lock", k.vga);
    ASSERT_GT(lock.width, 0);
    const int32_t s = k.vga ? 1 : 0;
    for (int32_t mode = 0; mode < 3; ++mode) {
      const bool locked = mode == 1;
      const std::string script =
          std::string(locked ? "tap lock\n" : "") + "press 2nd\ntap slot " + std::to_string(mode + 1);
      SCOPED_TRACE(std::string(k.screen) + ": " + script);
      ASSERT_EQ(Run(k.screen, script).status, 0);
      const Screen screen = Shot();
      for (int32_t i = 0; i < k.columns; ++i) {
        SCOPED_TRACE("slot " + std::to_string(i + 1));
        const int32_t left = k.slotLeft + i * k.columnStep;
        for (int32_t r = 0; r < 3; ++r) {
          const int32_t l = left + r, t = k.switchesTop() + r;
          const int32_t right = left + k.slotWidth - 1 - r, bottom = k.switchesBottom() - 1 - r;
          int32_t framed = 0, perimeter = 0;
          for (int32_t x = l; x <= right; ++x) {
            for (const int32_t y : {t, bottom}) framed += screen.At(x, y) == ring[r], ++perimeter;
          }
          for (int32_t y = t + 1; y < bottom; ++y) {
            for (const int32_t x : {l, right}) framed += screen.At(x, y) == ring[r], ++perimeter;
          }
          if (i == mode) {
            EXPECT_EQ(framed, perimeter) << "ring " << r;
          } else {
            EXPECT_LT(framed, perimeter / 4) << "ring " << r;
          }
        }
      }
      const int32_t lockY = (k.vga ? -2 : 0) + (11 << s);
      EXPECT_EQ(Mismatches(screen, lock, 8 << s, lockY, 0, 0, screen.height) == 0, locked);
    }
  }
}

// The tutorial's target framed in red, two pixels wide, nothing red just
// inside: the first run's welcome button and step 1's key.
TEST_F(CalcPixelsTest, TheTutorialFramesItsTargetInRed) {
  constexpr uint16_t kRed = 0xF800;
  for (const char* screen : kScreens) {
    for (const char* script : {"frames 1", "tap target\nframes 1"}) {
      SCOPED_TRACE(std::string(screen) + ": " + script);
      firstRun = true;
      ScreenRect t;
      const CalcRun run = Run(screen, script, false, 0, [&](AbacineApp& app) {
        t = app.partRect(ScreenPart::kTutorialTarget);
      });
      firstRun = false;
      ASSERT_EQ(run.status, 0) << run.err;
      ASSERT_GT(t.Width(), 8);
      ASSERT_GT(t.Height(), 8);
      const Screen shot = Shot();
      int32_t red = 0, perimeter = 0;
      for (int32_t ring = 0; ring < 3; ++ring) {
        const int32_t l = t.left + ring, r = t.right - 1 - ring, top = t.top + ring,
                      bottom = t.bottom - 1 - ring;
        int32_t count = 0, all = 0;
        for (int32_t x = l; x <= r; ++x) {
          for (const int32_t y : {top, bottom}) count += shot.At(x, y) == kRed, ++all;
        }
        for (int32_t y = top + 1; y < bottom; ++y) {
          for (const int32_t x : {l, r}) count += shot.At(x, y) == kRed, ++all;
        }
        if (ring < 2) {
          red += count;
          perimeter += all;
        } else {
          EXPECT_EQ(count, 0) << "red inside the frame";
        }
      }
      EXPECT_EQ(red, perimeter);
    }
  }
}

}  // namespace
}  // namespace abacine::testing
