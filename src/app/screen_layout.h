// Where every part of the calculator screen goes, computed from plain
// numbers: the screen's size and class, the skin images' frame sizes and the
// regular font's height. Pure arithmetic, with no surfaces, fonts or
// platform, so the rules can be checked on every screen size without a
// display.
//
// Pixel constants are those of the 240 class, doubled on the 480 class
// (`vga`). Upright screens (height >= width) get a 4 x 5 keypad, wide ones
// 5 x 4; keys overlap their neighbours by design and are drawn clipped by the
// key image's insets.
//
// Every input is clamped to 0 .. kMaxLayoutInput first, so no combination of
// sizes can overflow: a missing image (size 0) yields a layout that is
// degenerate but defined.
#pragma once

#include <array>
#include <cstdint>

#include "app/skin_table.h"
#include "platform/rect.h"

namespace abacine {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Right and bottom are exclusive.
using ScreenRect = platform::Rect;

// One frame of a skin image.
struct FrameSize {
  int32_t width = 0;
  int32_t height = 0;
};

inline constexpr int32_t kMaxLayoutInput = 1 << 15;
inline constexpr int32_t kKeypadKeys = 20;
inline constexpr int32_t kMaxSlotColumns = 5;
// Keys the wide keypad gives up when it does not fit above the bottom buttons.
inline constexpr int32_t kWideCornerKeys[] = {15, 19};

struct ScreenMetrics {
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  bool vga = false;         // the 480 class
  bool fullScreen = false;  // opened full screen: the header sits lower
  int32_t fontHeight = 0;   // the regular font's height (its strip's height)
  FrameSize header;
  FrameSize textbox;
  FrameSize key;            // button2
  FrameSize coolblue;
  FrameSize aboutButton;
  FrameSize clearButton;
};

// A second copy of a background drawn at x with its left clipLeft columns
// clipped away, which stretches it across a wide screen.
struct StretchDraw {
  int32_t x = 0;
  int32_t clipLeft = 0;
};

struct ScreenLayout {
  bool wide = false;
  int32_t columns = 0;   // also the number of answer slots in use
  int32_t rows = 0;
  int32_t deleteKey = 0; // index of the delete key in both layers

  ScreenPoint header;
  ScreenRect answerDisplay;  // the header image's rectangle, from the top of the screen
  ScreenPoint answerText;    // bluefont text position
  ScreenPoint lock;          // lock image, while the slots are locked
  ScreenRect inputBox;       // the textbox image's size, the screen's width when wide
  StretchDraw headerStretch; // wide screens only
  StretchDraw textboxStretch;

  int32_t keypadTop = 0;
  int32_t columnStep = 0;
  int32_t rowStep = 0;
  int32_t leftEdge = 0;
  // keypadTop + rows * rowStep: the wide keypad must end above the bottom
  // buttons, or it gives up its corner keys.
  int32_t keypadBottom = 0;
  bool keypadFits = true;
  std::array<ScreenPoint, kKeypadKeys> keys{};
  std::array<bool, kKeypadKeys> keyEnabled{};

  // Per slot in use (index < columns): the coolblue image's position, and the
  // slot widget's rectangle (its text is centred in it, taps hit it).
  std::array<ScreenPoint, kMaxSlotColumns> slotImages{};
  std::array<ScreenRect, kMaxSlotColumns> slots{};

  ScreenPoint aboutButton;
  ScreenPoint clearButton;
};

ScreenLayout LayOutScreen(const ScreenMetrics& metrics);

// The part of a frame drawn at `at` that survives its clipping insets.
ScreenRect ClippedFrame(ScreenPoint at, FrameSize frame, const ClipInsets& insets);

// Offsets of the key label from its centred position, and its extra shift
// while the key is held down.
struct KeyLabelOffsets {
  ScreenPoint normal;
  ScreenPoint pressed;
};
KeyLabelOffsets KeyLabelOffsetsFor(bool vga);

// Where the delete key's arrow starts, relative to the key (before the
// pressed shift).
ScreenPoint DeleteArrowOrigin(bool vga);

// The caret's rectangle relative to the text position at the cursor:
// left, top, right, bottom offsets.
ScreenRect CaretOffsets(bool vga);

}  // namespace abacine
