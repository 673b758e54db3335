#include "app/screen_layout.h"

#include <algorithm>

namespace abacine {

namespace {

int32_t Clamp(int32_t v) { return std::clamp(v, int32_t{0}, kMaxLayoutInput); }

FrameSize Clamp(FrameSize f) { return {Clamp(f.width), Clamp(f.height)}; }

// Halves rounded down, also for negative values (a key narrower than the
// overlap gives a negative column step).
int32_t FloorHalf(int32_t v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

ScreenRect RectAt(ScreenPoint at, FrameSize size) {
  return {at.x, at.y, at.x + size.width, at.y + size.height};
}

}  // namespace

ScreenRect ClippedFrame(ScreenPoint at, FrameSize frame, const ClipInsets& insets) {
  return {at.x + insets.left, at.y + insets.top, at.x + frame.width - insets.right,
          at.y + frame.height - insets.bottom};
}

KeyLabelOffsets KeyLabelOffsetsFor(bool vga) {
  const int32_t shift = 2 << (vga ? 1 : 0);
  return {{-1, vga ? -2 : -1}, {shift, shift}};
}

ScreenPoint DeleteArrowOrigin(bool vga) {
  const int32_t s = vga ? 1 : 0;
  return {25 << s, 17 << s};
}

ScreenRect CaretOffsets(bool vga) { return vga ? ScreenRect{-1, -3, 1, 22} : ScreenRect{-1, -1, 0, 10}; }

ScreenLayout LayOutScreen(const ScreenMetrics& in) {
  const int32_t s = in.vga ? 1 : 0;
  const int32_t width = Clamp(in.screenWidth);
  const int32_t height = Clamp(in.screenHeight);
  const int32_t fh = Clamp(in.fontHeight);
  const FrameSize header = Clamp(in.header);
  const FrameSize textbox = Clamp(in.textbox);
  const FrameSize key = Clamp(in.key);
  const FrameSize coolblue = Clamp(in.coolblue);
  const FrameSize about = Clamp(in.aboutButton);
  const FrameSize clear = Clamp(in.clearButton);

  ScreenLayout out;
  out.wide = width > height;
  out.columns = out.wide ? 5 : 4;
  out.rows = out.wide ? 4 : 5;
  out.deleteKey = out.wide ? 4 : 3;

  // The header sits under the shell's top bar; full screen leaves room for
  // the hidden bar's area instead.
  const int32_t header_y = in.fullScreen ? (in.vga ? 20 : 11) : (in.vga ? -2 : 0);
  out.header = {0, header_y};
  out.answerDisplay = {0, 0, header.width, header_y + header.height};
  out.answerText = {72 << s, header_y + (16 << s) + 2 * s};
  out.lock = {8 << s, header_y + (11 << s)};

  const int32_t box_top = header_y + header.height;
  const int32_t box_bottom = box_top + textbox.height;
  out.inputBox = {0, box_top, out.wide ? width : textbox.width, box_bottom};
  if (out.wide) {
    out.headerStretch = {100 << s, 120 << s};
    out.textboxStretch = {80 << s, 160 << s};
  }

  // trunc(fh * 1.5) is fh + fh / 2 for the non-negative heights here.
  out.keypadTop = box_bottom - 1 + (out.wide ? fh : fh + fh / 2);
  out.columnStep = key.width - fh / 4;
  out.rowStep = key.height - fh / 4 - 4 + (in.vga ? 0 : 2);
  out.leftEdge = width / 2 - FloorHalf(out.columnStep * out.columns);
  for (int32_t i = 0; i < kKeypadKeys; ++i) {
    out.keys[i] = {out.leftEdge + (i % out.columns) * out.columnStep,
                   out.keypadTop + (i / out.columns) * out.rowStep};
    out.keyEnabled[i] = true;
  }
  out.keypadBottom = out.keypadTop + out.rows * out.rowStep;
  out.keypadFits = height - about.height >= out.keypadBottom;
  if (out.wide && !out.keypadFits) {
    for (int32_t i : kWideCornerKeys) out.keyEnabled[i] = false;
  }

  // Slot tabs hang from the input box's bottom edge; each slot's text area
  // lies under its tab.
  const int32_t tab_row = box_bottom - (in.vga ? 11 : 6);
  const int32_t slot_height = in.vga ? 40 : 24;
  for (int32_t i = 0; i < out.columns; ++i) {
    const int32_t x = out.keys[i].x + coolblue.height + coolblue.height / 3;
    out.slotImages[i] = {x, tab_row};
    out.slots[i] = RectAt({x, tab_row + coolblue.height + fh / 4}, {coolblue.width, slot_height});
  }

  out.aboutButton = {0, height - about.height};
  out.clearButton = {width - clear.width, height - clear.height};
  return out;
}

}  // namespace abacine
