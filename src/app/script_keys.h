// Keyboard keys for scripted runs: the names of `key NAME` ("a", "shift+7",
// "kp5", "ctrl+shift+p", "button-a", ...) and the key presses that type a
// given text, found by asking the calculator's own key mapping which key
// and modifiers give each piece of it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace abacine {

struct KeyStroke {
  int32_t key = 0;       // virtual-key code
  bool shift = false;
  bool ctrl = false;
  bool numLock = false;  // Num Lock must be on (numeric pad)
  friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// Modifiers "ctrl+" and "shift+" (any order, any case) and a key name.
// `deviceButtons` are the codes of the device's A, B, C and Start buttons.
// False for a name no key has.
bool ParseKeyName(std::string_view name, const int32_t (&deviceButtons)[4], KeyStroke* out);

// The strokes that type `text` (calculator text) into the input line, one
// a character, or one for a sign that comes with its bracket. False, with
// *bad the index of the first character no key types, when there is none.
bool StrokesForText(std::u16string_view text, std::vector<KeyStroke>* out, size_t* bad);

}  // namespace abacine
