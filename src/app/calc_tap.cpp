// CalcApp: where a tap goes, and where each part of the screen lies.
#include "app/calc_app.h"

#include <algorithm>

namespace abacine {
namespace {

bool Holds(const ScreenRect& r, WidgetPoint p) {
  return RectHolds(Rect{r.left, r.top, r.right, r.bottom}, p);
}

ScreenRect RectOf(ScreenPoint at, const Sprite* image) {
  if (image == nullptr || !image->loaded()) return {at.x, at.y, at.x, at.y};
  return {at.x, at.y, at.x + image->frameWidth(), at.y + image->height()};
}

}  // namespace

// The first step that takes the tap ends it; the order is the one users
// learn: overlays first, then the slot row and the answer over the keys.
void CalcApp::onStylusDown(int32_t x, int32_t y) {
  stylusDown_ = true;
  stylusX_ = x;
  stylusY_ = y;
  widgets_.stylusPressed(x, y);
  const WidgetPoint p{x, y};

  if (aboutOpen_) {
    tapAboutScreen(x, y);
    return;
  }
  if (tutorialActive_ && (!Holds(tutorialTarget_, p) || tapTutorial(x, y))) return;
  if (onStylusDownHook(x, y)) return;
  // The tutorial keeps the second layer out of reach until it teaches it.
  constexpr int32_t kTutorialSecondLayerStep = 6;
  if (keys_[0]->press(p) && (!tutorialActive_ || tutorialStep_ > kTutorialSecondLayerStep)) {
    layoutKeypad(secondLayer_ ? 0 : 1);
    return;
  }
  if (tapSlots(p)) return;
  if (Holds(layout_.answerDisplay, p)) {
    if (x < layout_.answerDisplay.Width() / 4) {
      toggleLock();  // and the tap goes on
    } else if (!answerText_.Empty()) {
      storeAnswer();
      return;
    }
  }
  if (Holds(partRect(ScreenPart::kAboutButton), p)) {
    toggleAbout();
    return;
  }
  if (tapKeys(p)) return;
  if (inputBox_->press(p)) return;
  if (Holds(partRect(ScreenPart::kClearButton), p)) clearInput();
}

bool CalcApp::tapSlots(WidgetPoint p) {
  constexpr int32_t kTutorialSlotStep = 6;  // stored answers stay usable there
  const bool modes = secondLayer_ && !(tutorialActive_ && tutorialStep_ == kTutorialSlotStep);
  for (int32_t i = 0; i < columns_; ++i) {
    AnswerSlot& slot = *slots_[static_cast<size_t>(i)];
    if (modes) {
      // The slot row holds the mode switches, stored answers or not.
      if (slot.visible && slot.contains(p)) {
        selectMode(i);
        return true;
      }
    } else if (slot.press(p)) {
      useSlot(i);
      return true;
    }
  }
  return false;
}

bool CalcApp::tapKeys(WidgetPoint p) {
  for (int32_t i = 0; i < keyCount_; ++i) {
    KeyButton& key = *keys_[static_cast<size_t>(i)];
    if (!key.press(p)) continue;
    // "2nd" turns the pad over (above) and never inserts its label.
    if (i == 0) return true;
    if (i == deleteKey()) {
      inputBox_->deleteBefore();
    } else {
      inputBox_->insertText(key.insertText);
    }
    evaluateInput();
    // The second layer serves one key press.
    if (secondLayer_) layoutKeypad(0);
    return true;
  }
  return false;
}

void CalcApp::onStylusUp(int32_t x, int32_t y) {
  stylusDown_ = false;
  stylusX_ = x;
  stylusY_ = y;
  widgets_.stylusReleased(x, y);
  onStylusUpHook(x, y);
}

void CalcApp::onStylusMove(int32_t x, int32_t y) {
  stylusX_ = x;
  stylusY_ = y;
  onStylusMoveHook(x, y);
}

ScreenRect CalcApp::partRect(ScreenPart part, int32_t index) const {
  const ScreenRect& answer = layout_.answerDisplay;
  const int32_t quarter = answer.left + answer.Width() / 4;
  switch (part) {
    case ScreenPart::kAnswer:
      return {quarter, answer.top, answer.right, answer.bottom};
    case ScreenPart::kLock:
      return {answer.left, answer.top, quarter, answer.bottom};
    case ScreenPart::kSlot: {
      if (index < 0 || index >= columns_) return {};
      // Where its text shows: the slot's rectangle reaches into the first
      // key row, where "2nd" (tried first) would take a tap on slot 1.
      ScreenRect r = layout_.slots[static_cast<size_t>(index)];
      r.bottom = std::max(r.top, std::min(r.bottom, layout_.keypadTop));
      return r;
    }
    case ScreenPart::kAboutButton:
      return RectOf(layout_.aboutButton, skin_.aboutButton.get());
    case ScreenPart::kClearButton:
      return RectOf(layout_.clearButton, skin_.clearButton.get());
    case ScreenPart::kInputEnd: {
      // From just past the last visible character to the box's right edge.
      const TextBox& box = *inputBox_;
      const int32_t textEnd = box.textPosition().x + skin_.font.TextWidth(box.visibleText()) + 1;
      const int32_t right = box.x + box.width;
      return {std::min(textEnd, right - 2), box.y, right, box.y + box.height};
    }
    case ScreenPart::kHelp:
    case ScreenPart::kClose:
    case ScreenPart::kLink:
      return aboutPartRect(part);
    case ScreenPart::kTutorialTarget:
      return tutorialTarget_;
  }
  return {};
}

}  // namespace abacine
