// CalcApp: the live answer and the input line's keyboard.
#include "app/calc_app.h"

#include <algorithm>

#include "app/hardware_keys.h"
#include "engine/interpreter.h"
#include "numeric/format.h"
#include "platform/platform.h"
#include "text/sign_text.h"
#include "text/utf.h"

namespace abacine {
namespace {

constexpr int32_t kAnswerPrecision = 10;

bool KeyHeld(int vk) { return (platform::GetKeyState(vk) & 0x8000) != 0; }

KeyModifiers ModifiersNow() {
  return KeyModifiers{KeyHeld(platform::kVkShift), KeyHeld(platform::kVkControl),
                      (platform::GetKeyState(platform::kVkNumLock) & 1) != 0};
}

// Other programs get the signs in their readable forms (π, not the raw
// unit the calculator keeps), and give them back that way.
std::u16string ClipboardFormOf(std::u16string_view text) {
  std::u16string readable;
  FromUtf8(CalcTextToUtf8(text), &readable);
  return readable;
}

// The readable forms become signs again; the one-line input keeps no line
// breaks or other control characters (a tab reads as a blank).
std::u16string CalcTextFromClipboard(std::u16string_view text) {
  std::u16string calc, kept;
  size_t bad = 0;
  Utf8ToCalcText(ToUtf8(text), calc, bad);
  for (const char16_t c : calc) {
    if (c == u'\t') {
      kept += u' ';
    } else if (c >= 0x20 && c != 0x7F) {
      kept += c;
    }
  }
  return kept;
}

}  // namespace

void CalcApp::evaluateInput() {
  answerText_ = WString();
  const WString& text = inputBox_->label;
  if (text.Empty()) return;
  double value = 0;
  int32_t error = 0;
  // A failure leaves the display empty: an unfinished expression is the
  // usual state while typing, not something to report.
  if (!Evaluate(text.CStr(), value, error)) return;
  answerValue_ = value;
  FormatValue(answerText_, value, kAnswerPrecision, Auto, fractionMode_);
}

void CalcApp::clearInput() {
  inputBox_->clear();
  answerText_ = WString();
}

void CalcApp::onKeyDown(int32_t key, const GameKeyList& keys) {
  const bool deviceButton = key == keys.a || key == keys.b || key == keys.c || key == keys.start;
  if (config().shellMode != 0 && deviceButton) toggleTutorial();
  if (inputBox_->hasFocus() && inputBox_->enabled) editInput(key, keys);
  evaluateInput();
}

void CalcApp::editInput(int32_t key, const GameKeyList& keys) {
  TextBox& box = *inputBox_;
  const KeyAction action = MapHardwareKey(key, ModifiersNow(), keys.left, keys.right);
  switch (action.edit) {
    case KeyEdit::kNone:
      break;
    case KeyEdit::kCursorLeft:
      box.cursorLeft();
      break;
    case KeyEdit::kCursorRight:
      box.cursorRight();
      break;
    case KeyEdit::kDeleteBefore:
      box.deleteBefore();
      break;
    case KeyEdit::kDeleteAt:
      box.deleteAt();
      break;
    case KeyEdit::kInsert:
      box.insertText(action.text);
      break;
    case KeyEdit::kCopy:
      platform::SetClipboardText(ClipboardFormOf(box.label.View()));
      break;
    case KeyEdit::kPaste:
      // Appended, not inserted at the cursor, which stays where it was.
      if (const auto text = platform::GetClipboardText()) {
        const std::u16string pasted = CalcTextFromClipboard(*text);
        const size_t units = std::min<size_t>(pasted.size(), WString::kMaxLength);
        box.appendText(WString(pasted.data(), static_cast<int32_t>(units)));
      }
      break;
  }
}

}  // namespace abacine
