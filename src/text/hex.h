// How codes are shown to people: "0x" and the value in lower-case
// hexadecimal without leading zeros ("0xc8660110"), the form of the
// program's error box, in its log lines and in the tools.
#pragma once

#include <cstdint>
#include <string>

namespace abacine {

// Exactly `width` (1..8) lower-case digits of value, leading zeros kept
// ("1b" for 0x1b at width 2, "07" for 7).
template <class Char = char>
std::basic_string<Char> HexDigits(uint32_t value, int width) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::basic_string<Char> out(static_cast<size_t>(width), static_cast<Char>('0'));
  for (int i = width - 1; i >= 0; --i, value >>= 4) out[static_cast<size_t>(i)] = static_cast<Char>(kDigits[value & 0xF]);
  return out;
}

template <class Char = char>
std::basic_string<Char> HexCode(uint32_t value) {
  int width = 1;
  while (width < 8 && (value >> (4 * width)) != 0) ++width;
  return std::basic_string<Char>{static_cast<Char>('0'), static_cast<Char>('x')} + HexDigits<Char>(value, width);
}

}  // namespace abacine
