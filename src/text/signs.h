// The calculator signs: single UTF-16 units in the input text that keys
// insert and the parser reads. Formatted answers use the exponent sign for
// their exponent, so every answer text parses back.
#pragma once

namespace abacine {

inline constexpr char16_t kExponentSign = u'\u0080';    // left x 10^right
inline constexpr char16_t kPrimeSign = u'\u0083';       // a postfix mark
inline constexpr char16_t kIntegralSign = u'\u0084';    // "Integrate"; must be followed by '('
inline constexpr char16_t kSquareSign = u'\u0085';      // ^2
inline constexpr char16_t kReciprocalSign = u'\u0086';  // ^-1
inline constexpr char16_t kRootSign = u'\u0087';        // "sqrt"; must be followed by '('
inline constexpr char16_t kESign = u'\u00DC';           // Euler's number
inline constexpr char16_t kPlaceholderSign = u'\u00DD'; // an empty slot that cannot be evaluated
inline constexpr char16_t kPiSign = u'\u00ED';          // pi

}  // namespace abacine
