// Readable UTF-8 forms of the calculator signs, for text that crosses the
// command line or a terminal. Input accepts the readable forms, the plain
// UTF-8 encodings of the raw signs (U+0080..U+00FF) and everything else
// unchanged; output writes each sign in its readable form.
//
//   sign                  unit     readable form
//   exponent              U+0080   ᴇ  (U+1D07)
//   prime sign            U+0083   ′  (U+2032; the plain prime stays ')
//   integral              U+0084   ∫  (U+222B)
//   square                U+0085   ²  (U+00B2)
//   reciprocal            U+0086   ⁻¹ (U+207B U+00B9)
//   root                  U+0087   √  (U+221A)
//   e                     U+00DC   ℯ  (U+212F)
//   placeholder           U+00DD   □  (U+25A1)
//   pi                    U+00ED   π  (U+03C0)
// On input only, × (U+00D7) reads as '*' and ÷ (U+00F7) as '/'; so the
// letter U+00F7 cannot be typed in UTF-8, which costs nothing, since a
// one-letter name never has a value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace abacine {

// Most UTF-8 bytes that read as one unit of calculator text: ⁻¹ is two
// three-byte code points for one sign. A text of n units was therefore
// typed with at most n times this many bytes.
inline constexpr size_t kMaxUtf8BytesPerCalcUnit = 6;

// Decodes strict UTF-8 (no overlong forms, surrogates or values beyond
// U+10FFFF) into calculator text. On invalid input returns false, leaves
// out unspecified and sets badOffset to the byte offset of the first bad
// sequence.
bool Utf8ToCalcText(std::string_view utf8, std::u16string& out, size_t& badOffset);

// Encodes calculator text as UTF-8 with the signs in readable form. A lone
// surrogate unit comes out as U+FFFD.
std::string CalcTextToUtf8(std::u16string_view text);

}  // namespace abacine
