#include "text/sign_text.h"

#include <cstdint>

#include "text/signs.h"

namespace abacine {
namespace {

struct SignForm {
  char16_t sign;
  char32_t first;
  char32_t second;  // 0 when the readable form is one code point
};

constexpr SignForm kForms[] = {
    {kExponentSign, U'\u1D07', 0},  {kPrimeSign, U'\u2032', 0},     {kIntegralSign, U'\u222B', 0},
    {kSquareSign, U'\u00B2', 0},    {kReciprocalSign, U'\u207B', U'\u00B9'},
    {kRootSign, U'\u221A', 0},      {kESign, U'\u212F', 0},         {kPlaceholderSign, U'\u25A1', 0},
    {kPiSign, U'\u03C0', 0},
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one code point at i; returns its length in bytes, or 0 when the
// bytes there are not valid UTF-8.
size_t DecodeOne(std::string_view s, size_t i, char32_t& c) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t b0 = byte(i);
  size_t length;
  char32_t min;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2;
    c = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3;
    c = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4;
    c = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) return 0;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

bool Utf8ToCalcText(std::string_view utf8, std::u16string& out, size_t& badOffset) {
  out.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    const size_t n = DecodeOne(utf8, i, c);
    if (n == 0) {
      badOffset = i;
      return false;
    }
    i += n;
    if (c == U'\u00D7') {
      out += u'*';
      continue;
    }
    if (c == U'\u00F7') {
      out += u'/';
      continue;
    }
    bool mapped = false;
    for (const SignForm& form : kForms) {
      if (c != form.first) continue;
      if (form.second != 0) {
        char32_t c2 = 0;
        const size_t n2 = i < utf8.size() ? DecodeOne(utf8, i, c2) : 0;
        if (n2 == 0 || c2 != form.second) continue;
        i += n2;
      }
      out += form.sign;
      mapped = true;
      break;
    }
    if (!mapped) AppendUtf16(out, c);
  }
  return true;
}

std::string CalcTextToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    bool mapped = false;
    for (const SignForm& form : kForms) {
      if (u != form.sign) continue;
      AppendUtf8(out, form.first);
      if (form.second != 0) AppendUtf8(out, form.second);
      mapped = true;
      break;
    }
    if (mapped) continue;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace abacine
