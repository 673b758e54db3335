// UTF-8 <-> UTF-16: the one converter of the program (command lines, file
// and archive names, the clipboard, the readable calculator signs).
//
// UTF-8 is read strictly: overlong forms, surrogates, values beyond
// U+10FFFF, stray continuation bytes and sequences cut short are refused,
// never guessed at. UTF-16 may hold lone surrogates (a WString is any run of
// units); ToUtf8 writes each as U+FFFD, ToUtf8Strict refuses the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace abacine {

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point that starts at byte `at` of text goes to *c; returns its
// length in bytes (1 to 4), or 0 when the bytes there are not well-formed
// UTF-8 (or `at` is past the end).
size_t DecodeUtf8(std::string_view text, size_t at, char32_t* c);

// The code point that starts at unit `at` goes to *c; returns 2 for a
// surrogate pair, 1 otherwise (a lone surrogate comes back as itself), 0
// when `at` is past the end.
size_t DecodeUtf16(std::u16string_view text, size_t at, char32_t* c);

// Append one code point; surrogates and values beyond U+10FFFF are written
// as U+FFFD.
void AppendUtf8(std::string* out, char32_t c);
void AppendUtf16(std::u16string* out, char32_t c);

// Whole texts. FromUtf8 replaces *out only on success; on failure it sets
// *badOffset (when given) to the byte offset of the first bad sequence.
bool FromUtf8(std::string_view text, std::u16string* out, size_t* badOffset = nullptr);
bool IsUtf8(std::string_view text);
std::string ToUtf8(std::u16string_view text);
// False (and *out unchanged) when the text holds a lone surrogate, which no
// UTF-8 text can stand for.
bool ToUtf8Strict(std::u16string_view text, std::string* out);

}  // namespace abacine
