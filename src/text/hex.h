// How codes are shown to people: "0x" and the value in lower-case
// hexadecimal without leading zeros ("0xc8660110"), the form of the
// program's error box, in its log lines and in the tools.
#pragma once

#include <cstdint>
#include <string>

namespace abacine {

template <class Char = char>
std::basic_string<Char> HexCode(uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  Char digits[8];
  int n = 0;
  do {
    digits[n++] = static_cast<Char>(kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  std::basic_string<Char> out = {static_cast<Char>('0'), static_cast<Char>('x')};
  while (n > 0) out.push_back(digits[--n]);
  return out;
}

}  // namespace abacine
