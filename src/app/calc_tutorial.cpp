// CalcApp: the tutorial, eleven steps on the live calculator. Each step
// shows a message, outlines the one place the user must tap, and moves on
// by itself once the calculator reaches the state the step asks for.
#include "app/calc_app.h"

#include "engine/angle_mode.h"

namespace abacine {
namespace {

constexpr int32_t kLastStep = 10;
// The steps whose button the tutorial handles itself.
constexpr int32_t kWelcomeStep = 0;
constexpr int32_t kFinishedStep = kLastStep;
constexpr int32_t kSecondKeyStep = 7;
constexpr int32_t kAngleModeStep = 8;
constexpr char16_t kTypedNumber[] = u"12";

// The step 8 text, and without its empty lines for the wide small screen,
// where it would run off the bottom.
constexpr char16_t kAngleModeMessage[] =
    u"The angle mode controls how the angle values are interpreted for trig functions.\n\n"
    u"Rad stands for radians.\nDeg stands for degrees.\nGrad stands for grads.\n\n"
    u"Tap Deg to change the angle mode to degrees.";
constexpr char16_t kAngleModeMessageShort[] =
    u"The angle mode controls how the angle values are interpreted for trig functions.\n"
    u"Rad stands for radians.\nDeg stands for degrees.\nGrad stands for grads.\n"
    u"Tap Deg to change the angle mode to degrees.";

const char16_t* StepMessage(int32_t step, bool wideSmall) {
  switch (step) {
    case 2:
      return u"Tap the answer to store the number into the first memory slot.";
    case 3:
      return u"The answer is now stored in first memory slot.\n\n"
             u"Tap the stored answer to use it in an equation.";
    case 4:
      return u"Tap the new answer to store the number into the first memory slot.";
    case 5:
      return u"Tap the left side of the answer display to lock all stored answers.";
    case 6:
      return u"Tap the stored answer.  Now that the stored answer is locked it will remain in "
             u"memory.";
    case 7:
      return u"The second part of this tutorial will show you how to change the angle mode and "
             u"answer mode.  These options are found by pressing the 2nd button.  Tap the 2nd "
             u"button.";
    case 8:
      return wideSmall ? kAngleModeMessageShort : kAngleModeMessage;
    case 9:
      return u"The answer mode controls how answers are displayed.\n\n"
             u"Tap 1.25 to change the answer mode to fraction mode.";
    case 10:
      return u"You have finished this tutorial!  You can tap the about button to run this "
             u"tutorial again in the future.";
    default:
      return u"";
  }
}

// The skin's fonts have no capitals; the layout lowers them, and a width
// must be measured the same way.
WString Lowered(const WString& text) {
  WString out;
  for (int32_t i = 0; i < text.Length(); ++i) {
    const char16_t c = text[i];
    out.Append(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c);
  }
  return out;
}

}  // namespace

// The about screen's help button and, in shell mode, the device's A, B, C
// and Start buttons.
void CalcApp::toggleTutorial() {
  if (tutorialActive_) {
    endTutorial();
    return;
  }
  // What the user had comes back from here when the tutorial ends.
  SerializeSettings(SettingsDirection::kSave);
  resetForTutorial();
  tutorialActive_ = true;
  tutorialStep_ = 0;
}

// Called at the start when the first-run flag was still set: the state just
// loaded is what comes back, so nothing is reset.
void CalcApp::startFirstRunTutorial() {
  tutorialActive_ = true;
  tutorialStep_ = 0;
}

void CalcApp::resetForTutorial() {
  clearInput();
  for (auto& slot : slots_) {
    slot->occupied = false;
    slot->locked = false;
  }
  aboutOpen_ = false;
  layoutKeypad(0);
  fractionMode_ = false;
  SetAngleMode(Radians);
}

// The user's settings saved at the tutorial's start come back: slots, the
// lock (on every slot, as at start-up), modes and the input line.
void CalcApp::endTutorial() {
  tutorialActive_ = false;
  tutorialTarget_ = {};
  layoutKeypad(0);
  clearInput();
  SerializeSettings(SettingsDirection::kLoad);
  for (int32_t i = 0; i < columns_; ++i) slots_[static_cast<size_t>(i)]->locked = slots_[0]->locked;
  inputBox_->cursorToEnd();
  evaluateInput();
}

void CalcApp::tutorialNextStep() {
  if (tutorialStep_ < kLastStep) ++tutorialStep_;
  for (auto& key : keys_) key->pressed = false;
  if (tutorialStep_ == 3) {
    inputBox_->insertText(WString(u"4+"));
    evaluateInput();
  } else if (tutorialStep_ == kAngleModeStep) {
    // sin(30) in radians now, in degrees after the tap on "deg": the user
    // sees the answer change. The keys are not drawn, so the slot row alone
    // turns into the switches.
    resetForTutorial();
    inputBox_->insertText(WString(u"sin(30)"));
    evaluateInput();
    secondLayer_ = true;
  }
}

// After a turn of the screen has laid the keypad out again: the steps on
// the modes still need the switches over the slots.
void CalcApp::keepTutorialSwitches() {
  if (tutorialStep_ >= kAngleModeStep && tutorialStep_ < kFinishedStep) secondLayer_ = true;
}

// A tap inside the target. The two buttons are the tutorial's own; in the
// other steps the tap goes on to the part it outlines.
bool CalcApp::tapTutorial(int32_t /*x*/, int32_t /*y*/) {
  if (tutorialStep_ == kWelcomeStep) {
    tutorialNextStep();
    return true;
  }
  if (tutorialStep_ == kFinishedStep) {
    endTutorial();
    return true;
  }
  return false;
}

bool CalcApp::tutorialStepDone() const {
  const WString& input = inputBox_->label;
  switch (tutorialStep_) {
    case 1:
      return input == kTypedNumber;
    case 2:
      return slots_[0]->occupied;
    case 3:
      return input == u"4+(12)";
    case 4:
      return input.Empty();
    case 5:
      return slots_[0]->locked;
    case 6:
      return input == u"(16)";
    case 7:
      return secondLayer_;
    case 8:
      return GetAngleMode() == Degrees;
    case 9:
      return fractionMode_;
    default:
      return false;  // the buttons of steps 0 and 10 move on by a tap
  }
}

// Step 1: the key that types the next character of "12"; key 0 when the
// input has left that road.
int32_t CalcApp::tutorialKeyToTap() const {
  const WString typed(kTypedNumber);
  const WString& input = inputBox_->label;
  if (input.Length() >= typed.Length()) return 0;
  for (int32_t i = 0; i < input.Length(); ++i) {
    if (input[i] != typed[i]) return 0;
  }
  const WString next(typed, input.Length(), 1);
  for (int32_t i = 0; i < keyCount_; ++i) {
    if (keys_[static_cast<size_t>(i)]->label == next) return i;
  }
  return 0;
}

// The answer display's part that takes the step's tap: right of the
// answer text's start (storing), or left of it (the lock); its top and
// bottom pulled in to the text line.
ScreenRect CalcApp::answerTarget(bool lockSide) const {
  const ScreenRect& display = layout_.answerDisplay;
  const int32_t height = display.Height();
  ScreenRect r{display.left, display.top + height / 4, layout_.answerText.x,
               display.bottom - height / 8};
  if (!lockSide) {
    r.left = layout_.answerText.x - skin_.blueFont.SpaceWidth();
    r.right = display.right - 1;
  }
  return r;
}

// A slot's text line: the slot's rectangle from the bottom of its
// background image.
ScreenRect CalcApp::slotTarget(int32_t index) const {
  ScreenRect r = layout_.slots[static_cast<size_t>(index)];
  if (skin_.coolblue) r.top = layout_.slotImages[static_cast<size_t>(index)].y + skin_.coolblue->height();
  return r;
}

// At the start of every frame, so that all of it shows the step's state.
void CalcApp::updateTutorial() {
  if (tutorialStepDone()) tutorialNextStep();
  if (tutorialStep_ == kFinishedStep) clearInput();
}

void CalcApp::drawTutorial() {
  Surface* back = widgets_.drawTarget;
  const int32_t shift = vga_ ? 1 : 0;
  const int32_t step = tutorialStep_;
  const bool wideSmall = layout_.wide && !vga_;

  WString message;
  WString button;
  if (step == kWelcomeStep) {
    message = WString(u"Welcome!\n\nThis tutorial will show you how to use ");
    message.Append(productName_.c_str()).Append(u'.');
    button = WString(u"Tap here to continue");
  } else {
    message = WString(StepMessage(step, wideSmall));
    if (step == kFinishedStep) button = WString(u"Tap here to exit");
  }

  switch (step) {
    case 1: {
      drawKeys(back);
      const KeyButton& key = *keys_[static_cast<size_t>(tutorialKeyToTap())];
      tutorialTarget_ = {key.x, key.y, key.x + key.width, key.y + key.height};
      break;
    }
    case 2:
    case 4:
      tutorialTarget_ = answerTarget(false);
      break;
    case 5:
      tutorialTarget_ = answerTarget(true);
      break;
    case 3:
    case 6:
      tutorialTarget_ = slotTarget(0);
      break;
    case kSecondKeyStep: {
      KeyButton& key = *keys_[0];
      key.label = WString(u"2nd");
      widgets_.currentFont = &skin_.blueFont;
      key.draw();
      widgets_.currentFont = &skin_.font;
      tutorialTarget_ = {key.x, key.y + (layout_.wide ? 2 : 0), key.x + key.width,
                         key.y + key.height};
      break;
    }
    case kAngleModeStep:
      tutorialTarget_ = slotTarget(1);  // "deg"
      break;
    case 9:
      tutorialTarget_ = slotTarget(3);  // "1.25"
      break;
    default:
      break;
  }

  TextStyle style;
  style.lowerCase = true;
  const int32_t left = 15 << shift;
  const int32_t top = (step == kSecondKeyStep ? 140 : 110) << shift;
  if (!message.Empty()) skin_.font.DrawMarkup(message, left, top, style);
  if (!button.Empty()) {
    const int32_t fh = skin_.font.FontHeight();
    const int32_t y = 16 * fh - fh / 2;
    const int32_t e = 4 << shift;
    skin_.font.DrawMarkup(button, left, y, style);
    tutorialTarget_ = {left - e, y - e, left + skin_.font.TextWidth(Lowered(button)) + 2 * e,
                       y + fh + e};
  }
}

}  // namespace abacine
