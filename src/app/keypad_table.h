// The keypad's faces: what each of the 20 keys shows and inserts, for
// upright screens (4 columns x 5 rows) and wide ones (5 x 4), in both
// layers. Key 0 is always "2nd" (it turns the pad over instead of
// inserting) and the delete key has no label (an arrow is drawn on it).
// Single-character keys insert their label.
#pragma once

#include <array>
#include <cstdint>

#include "app/screen_layout.h"

namespace abacine {

struct KeyFace {
  // Null: the key keeps the label and insert text it had before (the wide
  // second layer leaves two corner keys as the first layer made them).
  const char16_t* label = nullptr;
  // Null: the key inserts its label.
  const char16_t* insert = nullptr;

  constexpr bool Kept() const { return label == nullptr; }
  constexpr const char16_t* Inserts() const { return insert != nullptr ? insert : label; }
};

using KeypadFaces = std::array<KeyFace, kKeypadKeys>;

// The faces of one layer (0 or 1; anything else counts as 0). The delete
// key is the last of the first row (ScreenLayout::deleteKey).
const KeypadFaces& KeypadLayer(bool wide, int32_t layer);

}  // namespace abacine
