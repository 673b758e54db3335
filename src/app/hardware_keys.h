// What a key of the hardware keyboard does to the input line: move the
// cursor, delete, insert a text, copy or paste. A pure mapping from the key
// code and the modifier state, so that every key can be checked without a
// window (and scripted runs can find the keys that type a given text).
//
// Letters are always lower case (the skin's fonts have no capitals), digits
// give their US-keyboard symbols with Shift, and Ctrl+Shift gives the
// calculator signs that no key of a keyboard carries.
#pragma once

#include <cstdint>

namespace abacine {

struct KeyModifiers {
  bool shift = false;
  bool ctrl = false;
  bool numLock = false;
};

enum class KeyEdit {
  kNone,
  kCursorLeft,
  kCursorRight,
  kDeleteBefore,
  kDeleteAt,
  kInsert,  // `text`
  kCopy,    // the whole input to the clipboard
  kPaste,   // the clipboard's text appended to the input
};

struct KeyAction {
  KeyEdit edit = KeyEdit::kNone;
  const char16_t* text = nullptr;  // kInsert only: a static text
};

// `key` is the virtual-key code of a key-down message; `left` and `right`
// are the direction keys of the key list, which already follow the
// screen's orientation.
KeyAction MapHardwareKey(int32_t key, KeyModifiers modifiers, int32_t left, int32_t right);

}  // namespace abacine
