// CalcApp: answers, memory slots, the lock, the mode switches and the
// settings that carry them from one run to the next.
#include "app/calc_app.h"

#include <cmath>
#include <string>

#include "engine/angle_mode.h"
#include "numeric/format.h"
#include "numeric/trunc_int.h"

namespace abacine {
namespace {

// A longer input line is saved as an empty one (loads read up to 255 units).
constexpr int32_t kMaxSavedInput = 200;
// The angle modes the switches offer: rad, deg, grad; the fourth switch is
// the answer mode.
constexpr int32_t kAngleModes = 3;
constexpr int32_t kAnswerModeSwitch = 3;
constexpr int32_t kInsertPrecision = 10;
constexpr int32_t kCaptionPrecision = 3;
constexpr int32_t kLargeCaptionPrecision = 2;
// The angle mode's frame: three nested one-pixel rectangles, outermost first.
constexpr uint32_t kModeFrameColours[] = {0x00A0A0A0, 0x00FFFFFF, 0x00A0A0A0};

const char16_t* const kAngleModeTexts[kAngleModes] = {u"rad", u"deg", u"grad"};

std::u16string MemoryName(int32_t slot, const char16_t* suffix) {
  const std::string number = std::to_string(slot);
  return u"Memory" + std::u16string(number.begin(), number.end()) + suffix;
}

// What a slot shows: short enough for its narrow tab. Large values in
// exponent form; hundreds and up as whole numbers.
WString SlotCaption(double value, bool fractions) {
  WString out;
  const double magnitude = std::fabs(value);
  if (magnitude > 99999) {
    FormatValue(out, value, kLargeCaptionPrecision, Scientific, fractions);
  } else if (magnitude > 99) {
    FormatValue(out, TruncInt(value), kCaptionPrecision, Auto, fractions);
  } else {
    FormatValue(out, value, kCaptionPrecision, Auto, fractions);
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Settings

platform::Registry& CalcApp::settingsRegistry() {
  // One registry for the whole run, so that a file that cannot be written
  // is reported once, not at every save.
  if (!registry_) {
    registry_ = std::make_unique<platform::Registry>(
        registryFile_.empty() ? platform::Registry::DefaultPath() : registryFile_);
  }
  return *registry_;
}

void CalcApp::SerializeSettings(SettingsDirection direction) {
  SettingsStore store(settingsRegistry());
  // A key that cannot be opened makes every call below do nothing: loads
  // keep the fields, saves are lost.
  store.OpenSettingsKey(registryKeyPath_);
  store.SerializeBool(u"ShowFractions", &fractionMode_, direction);
  // Slot 1's lock stands for all of them.
  store.SerializeBool(u"LockAnswers", &slots_[0]->locked, direction);
  store.SerializeBool(u"ShowTutorial", &showTutorial_, direction);
  // Any number is taken as read (two's complement both ways); the mode
  // switches put one outside 0-2 back to radians before it is shown.
  auto angle = static_cast<uint32_t>(GetAngleMode());
  store.SerializeDword(u"AngleMode", &angle, direction);
  SetAngleMode(static_cast<int32_t>(angle));
  WString& input = inputBox_->label;
  if (input.Length() <= kMaxSavedInput) {
    store.SerializeText(u"Input", &input, direction);
  } else {
    // Saves an empty text; a load leaves the long line as it is.
    WString scratch;
    store.SerializeText(u"Input", &scratch, direction);
  }
  for (int32_t i = 0; i < columns_; ++i) {
    AnswerSlot& slot = *slots_[static_cast<size_t>(i)];
    store.SerializeBool(MemoryName(i + 1, u""), &slot.occupied, direction);
    store.SerializeDouble(MemoryName(i + 1, u"a"), &slot.value, direction);
  }
  saveExtraSettings(&store, direction);
  store.CloseSettingsKey();
}

// Start-up, before the skin is loaded, with the slot count at 4.
void CalcApp::loadSettings() {
  // What a first run shows: empty unlocked slots, radians, decimal answers.
  SetAngleMode(Radians);
  SerializeSettings(SettingsDirection::kLoad);
  if (showTutorial_) {
    // Saved at once, so the tutorial comes by itself only on the first start.
    showTutorial_ = false;
    startFirstRunTutorial();
    SerializeSettings(SettingsDirection::kSave);
  }
  for (int32_t i = 0; i < columns_; ++i) slots_[static_cast<size_t>(i)]->locked = slots_[0]->locked;
  // The restored line goes on where it ended.
  inputBox_->cursorToEnd();
}

// At exit. A run that ended before its settings were loaded (a failed
// start) holds only defaults: saving them would wipe the user's. A run
// quit in the middle of the tutorial holds the tutorial's state: it ends
// first, so the user's own comes back and is what gets saved.
void CalcApp::saveSettings() {
  if (!settingsLoaded_) return;
  if (tutorialActive_) endTutorial();
  SerializeSettings(SettingsDirection::kSave);
}

// ---------------------------------------------------------------------------
// Answers and slots

WString CalcApp::slotText(int32_t index) const {
  if (index < 0 || index >= columns_) return WString();
  const AnswerSlot& slot = *slots_[static_cast<size_t>(index)];
  return slot.occupied ? SlotCaption(slot.value, fractionMode_) : WString();
}

WString CalcApp::modeText(int32_t index) const {
  if (index >= 0 && index < kAngleModes) return WString(kAngleModeTexts[index]);
  if (index == kAnswerModeSwitch) return WString(fractionMode_ ? u"5/4" : u"1.25");
  return WString();
}

// A tap on the answer display right of its left quarter, with an answer.
void CalcApp::storeAnswer() {
  // The first free slot, else the last one, whatever it holds.
  int32_t target = columns_ - 1;
  for (int32_t i = 0; i < columns_; ++i) {
    if (!slots_[static_cast<size_t>(i)]->occupied) {
      target = i;
      break;
    }
  }
  if (target < 0) return;
  AnswerSlot& slot = *slots_[static_cast<size_t>(target)];
  slot.occupied = true;
  // The value of the answer shown, which an unfinished edit since has not
  // replaced.
  slot.value = answerValue_;
  clearInput();
}

// A tap on an occupied slot while layer 0 shows.
void CalcApp::useSlot(int32_t index) {
  if (index < 0 || index >= columns_) return;
  AnswerSlot& slot = *slots_[static_cast<size_t>(index)];
  if (!slot.occupied) return;
  if (!slot.locked) slot.occupied = false;
  WString value;
  FormatValue(value, slot.value, kInsertPrecision, Auto, fractionMode_);
  WString text(u"(");
  text.Append(value).Append(u')');
  inputBox_->insertText(text);
  evaluateInput();
}

// A tap on the answer display's left quarter.
void CalcApp::toggleLock() {
  const bool lock = !slots_[0]->locked;
  for (int32_t i = 0; i < columns_; ++i) slots_[static_cast<size_t>(i)]->locked = lock;
}

// A tap on slot `index` while layer 1 shows. The fifth slot of wide
// screens is no switch: its tap does nothing.
void CalcApp::selectMode(int32_t index) {
  if (index >= 0 && index < kAngleModes) {
    SetAngleMode(index);
  } else if (index == kAnswerModeSwitch) {
    fractionMode_ = !fractionMode_;
  } else {
    return;
  }
  // The answer shows the new mode at once.
  evaluateInput();
}

// ---------------------------------------------------------------------------
// Drawing

void CalcApp::drawSlotTexts() {
  for (int32_t i = 0; i < columns_; ++i) {
    AnswerSlot& slot = *slots_[static_cast<size_t>(i)];
    slot.label = secondLayer_ ? modeText(i) : slotText(i);
    slot.draw();
  }
  if (!secondLayer_) return;
  // A stored mode outside rad, deg and grad converts nothing: it is radians,
  // and the frame must neither mark the answer-mode switch nor leave the row.
  if (GetAngleMode() < 0 || GetAngleMode() >= kAngleModes) SetAngleMode(Radians);
  // Around the switch's text line only: the slot's whole rectangle reaches
  // into the first key row on wide screens. Between the slot's tab and the
  // keys there is just room for the lines to hug the glyphs: equal gaps
  // above their ink and below it, where the font's last rows are blank.
  const AnswerSlot& slot = *slots_[static_cast<size_t>(GetAngleMode())];
  Rect frame{slot.x, slot.y - (vga_ ? 4 : 3), slot.x + slot.width,
             slot.y + skin_.font.FontHeight() + (vga_ ? 2 : 1)};
  Surface* back = widgets_.drawTarget;
  for (const uint32_t colour : kModeFrameColours) {
    DrawOutline(back, frame, colour);
    frame = Rect{frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1};
  }
}

}  // namespace abacine
