#include "text/utf.h"

#include <cstdint>

namespace abacine {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsScalar(char32_t c) { return c <= kMaxCodePoint && !IsSurrogate(c); }

}  // namespace

size_t DecodeUtf8(std::string_view text, size_t at, char32_t* c) {
  if (at >= text.size()) return 0;
  const auto lead = static_cast<uint8_t>(text[at]);
  size_t length = 0;
  char32_t value = 0;
  char32_t least = 0;  // the smallest value this length may carry
  if (lead < 0x80) {
    *c = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1Fu, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0Fu, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07u, least = 0x10000;
  } else {
    return 0;  // a continuation byte or 0xF8..0xFF
  }
  if (text.size() - at < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<uint8_t>(text[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3Fu);
  }
  if (value < least || !IsScalar(value)) return 0;
  *c = value;
  return length;
}

size_t DecodeUtf16(std::u16string_view text, size_t at, char32_t* c) {
  if (at >= text.size()) return 0;
  const char16_t u = text[at];
  if (u >= 0xD800 && u <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
      text[at + 1] <= 0xDFFF) {
    *c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[at + 1] - 0xDC00u);
    return 2;
  }
  *c = u;
  return 1;
}

void AppendUtf8(std::string* out, char32_t c) {
  if (!IsScalar(c)) c = kReplacementCharacter;
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(std::u16string* out, char32_t c) {
  if (!IsScalar(c)) c = kReplacementCharacter;
  if (c < 0x10000) {
    out->push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

bool FromUtf8(std::string_view text, std::u16string* out, size_t* badOffset) {
  std::u16string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t n = DecodeUtf8(text, i, &c);
    if (n == 0) {
      if (badOffset != nullptr) *badOffset = i;
      return false;
    }
    AppendUtf16(&result, c);
    i += n;
  }
  *out = std::move(result);
  return true;
}

bool IsUtf8(std::string_view text) {
  char32_t c = 0;
  for (size_t i = 0, n = 0; i < text.size(); i += n) {
    n = DecodeUtf8(text, i, &c);
    if (n == 0) return false;
  }
  return true;
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  char32_t c = 0;
  for (size_t i = 0, n = 0; i < text.size(); i += n) {
    n = DecodeUtf16(text, i, &c);
    AppendUtf8(&out, c);  // a lone surrogate comes out as U+FFFD
  }
  return out;
}

bool ToUtf8Strict(std::u16string_view text, std::string* out) {
  std::string result;
  result.reserve(text.size());
  char32_t c = 0;
  for (size_t i = 0, n = 0; i < text.size(); i += n) {
    n = DecodeUtf16(text, i, &c);
    if (IsSurrogate(c)) return false;
    AppendUtf8(&result, c);
  }
  *out = std::move(result);
  return true;
}

}  // namespace abacine
