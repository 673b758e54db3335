// CalcApp: the keypad's layers, its placement and its drawing.
#include "app/calc_app.h"
#include "app/keypad_table.h"

namespace abacine {

void CalcApp::layoutKeypad(int32_t layer) {
  secondLayer_ = layer == 1;
  for (auto& key : keys_) {
    key->enabled = true;
    key->visible = true;
  }
  const KeypadFaces& faces = KeypadLayer(layout_.wide, layer);
  for (int32_t i = 0; i < kKeypadKeys; ++i) {
    const KeyFace& face = faces[static_cast<size_t>(i)];
    KeyButton& key = *keys_[static_cast<size_t>(i)];
    if (!face.Kept()) {
      key.label = face.label;
      key.insertText = face.Inserts();
    }
    key.x = layout_.keys[static_cast<size_t>(i)].x;
    key.y = layout_.keys[static_cast<size_t>(i)].y;
    key.enabled = layout_.keyEnabled[static_cast<size_t>(i)];
    key.updateSize();
  }
  keyCount_ = kKeypadKeys;
  columns_ = layout_.columns;
  deleteKey_[0] = deleteKey_[1] = layout_.deleteKey;

  // One slot over each column; the others take no taps.
  for (int32_t i = 0; i < kSlotWidgets; ++i) {
    AnswerSlot& slot = *slots_[static_cast<size_t>(i)];
    const ScreenRect r = i < columns_ ? layout_.slots[static_cast<size_t>(i)] : ScreenRect{};
    slot.x = r.left;
    slot.y = r.top;
    slot.width = r.Width();
    slot.height = r.Height();
    slot.visible = i < columns_;
  }
  onKeypadLaidOut(layer);
}

void CalcApp::drawKeys(Surface* back) {
  widgets_.currentFont = &skin_.blueFont;
  for (int32_t i = 0; i < keyCount_; ++i) keys_[static_cast<size_t>(i)]->draw();
  const KeyButton& del = *keys_[static_cast<size_t>(deleteKey())];
  if (del.enabled && del.visible) drawDeleteArrow(back, del);
  widgets_.currentFont = &skin_.font;
}

void CalcApp::drawDeleteArrow(Surface* back, const KeyButton& key) {
  const ScreenPoint origin = DeleteArrowOrigin(vga_);
  const int32_t shift = key.pressed ? KeyLabelOffsetsFor(vga_).pressed.x : 0;
  const int32_t x = key.x + origin.x + shift;
  const int32_t y = key.y + origin.y + shift;
  const auto fill = [back](int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const Rect r{left, top, right, bottom};
    back->FillArea(&r, kArrowColour, 0, nullptr);
  };
  if (!vga_) {
    // An 8-pixel shaft pointing left, a head of 3 and 5 pixels behind its tip.
    fill(x, y, x + 8, y + 1);
    fill(x + 1, y - 1, x + 2, y + 2);
    fill(x + 2, y - 2, x + 3, y + 3);
    return;
  }
  // Twice as long and two pixels thick; the head widens over four columns.
  fill(x, y, x + 16, y + 2);
  for (int32_t k = 0; k < 4; ++k) fill(x + 1 + k, y - k - 1, x + 2 + k, y + k + 3);
}

}  // namespace abacine
