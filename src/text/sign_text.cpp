#include "text/sign_text.h"

#include "text/signs.h"
#include "text/utf.h"

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

constexpr size_t Utf8Length(char32_t c) { return c == 0 ? 0 : c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

// Other code points give a unit per at most three bytes (four bytes give a
// surrogate pair); the readable forms are the longest.
constexpr bool FormsFitTheBound() {
  for (const SignForm& form : kForms) {
    if (Utf8Length(form.first) + Utf8Length(form.second) > kMaxUtf8BytesPerCalcUnit) return false;
  }
  return kMaxUtf8BytesPerCalcUnit >= 3;
}
static_assert(FormsFitTheBound());

}  // namespace

bool Utf8ToCalcText(std::string_view utf8, std::u16string& out, size_t& badOffset) {
  out.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    const size_t n = DecodeUtf8(utf8, i, &c);
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
        const size_t n2 = DecodeUtf8(utf8, i, &c2);
        if (n2 == 0 || c2 != form.second) continue;
        i += n2;
      }
      out += form.sign;
      mapped = true;
      break;
    }
    if (!mapped) AppendUtf16(&out, c);
  }
  return true;
}

std::string CalcTextToUtf8(std::u16string_view text) {
  std::string out;
  char32_t c = 0;
  for (size_t i = 0, n = 0; i < text.size(); i += n) {
    n = DecodeUtf16(text, i, &c);
    bool mapped = false;
    for (const SignForm& form : kForms) {
      if (c != form.sign) continue;
      AppendUtf8(&out, form.first);
      if (form.second != 0) AppendUtf8(&out, form.second);
      mapped = true;
      break;
    }
    if (!mapped) AppendUtf8(&out, c);  // a lone surrogate comes out as U+FFFD
  }
  return out;
}

}  // namespace abacine
