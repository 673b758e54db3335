#include "app/keypad_table.h"

#include <string_view>

#include "text/signs.h"

namespace abacine {
namespace {

constexpr KeyFace Key(const char16_t* label, const char16_t* insert = nullptr) {
  return KeyFace{label, insert};
}
constexpr KeyFace kKeep{};
constexpr KeyFace kDelete = Key(u"");
constexpr KeyFace kSecond = Key(u"2nd");

// The keys of the calculator signs: root, square, reciprocal, e, pi and
// the exponent sign.
constexpr KeyFace kRoot = Key(u"\u0087", u"\u0087(");
constexpr KeyFace kSquare = Key(u"x\u0085", u"\u0085");
constexpr KeyFace kReciprocal = Key(u"x\u0086", u"\u0086");
constexpr KeyFace kExp = Key(u"\u00DC^x", u"\u00DC^(");
constexpr KeyFace kPi = Key(u"\u00ED");
constexpr KeyFace kE = Key(u"\u00DC");
constexpr KeyFace kExponent = Key(u"\u0080");
constexpr KeyFace kLog = Key(u"log", u"log10(");

constexpr KeypadFaces kUpright0 = {
    kSecond,  Key(u"("), Key(u")"), kDelete,
    Key(u"7"), Key(u"8"), Key(u"9"), Key(u"/"),
    Key(u"4"), Key(u"5"), Key(u"6"), Key(u"*"),
    Key(u"1"), Key(u"2"), Key(u"3"), Key(u"-"),
    Key(u"0"), Key(u"."), kRoot,     Key(u"+"),
};

constexpr KeypadFaces kUpright1 = {
    kSecond,                    Key(u"("),                  Key(u")"),                  kDelete,
    Key(u"sin", u"sin("),       Key(u"cos", u"cos("),       Key(u"tan", u"tan("),       Key(u"!"),
    Key(u"asin", u"asin("),     Key(u"acos", u"acos("),     Key(u"atan", u"atan("),     kSquare,
    Key(u"ln", u"ln("),         kExp,                       kLog,                       kReciprocal,
    kPi,                        kE,                         Key(u"^"),                  kExponent,
};

constexpr KeypadFaces kWide0 = {
    kSecond,   Key(u"7"), Key(u"8"), Key(u"9"), kDelete,
    Key(u"/"), Key(u"4"), Key(u"5"), Key(u"6"), Key(u"-"),
    Key(u"*"), Key(u"1"), Key(u"2"), Key(u"3"), Key(u"+"),
    Key(u"("), Key(u"0"), Key(u"."), kRoot,     Key(u")"),
};

constexpr KeypadFaces kWide1 = {
    kSecond, Key(u"("),              Key(u")"),              kExp,                   kDelete,
    kPi,     Key(u"sin", u"sin("),   Key(u"cos", u"cos("),   Key(u"tan", u"tan("),   kSquare,
    kE,      Key(u"asin", u"asin("), Key(u"acos", u"acos("), Key(u"atan", u"atan("), kReciprocal,
    kKeep,   kLog,                   Key(u"ln", u"ln("),     Key(u"^"),              kKeep,
};

constexpr bool Same(const char16_t* a, std::u16string_view b) {
  return a != nullptr && std::u16string_view(a) == b;
}

// Every layer: "2nd" first, the delete key empty at the end of the first
// row, and only the wide second layer keeps keys (its two corners, which
// the wide keypad gives up when it does not fit).
constexpr bool WellFormed(const KeypadFaces& faces, int32_t deleteKey, bool keepsCorners) {
  if (!Same(faces[0].label, u"2nd") || !Same(faces[deleteKey].label, u"")) return false;
  for (int32_t i = 0; i < kKeypadKeys; ++i) {
    const bool corner = i == kWideCornerKeys[0] || i == kWideCornerKeys[1];
    if (faces[i].Kept() != (keepsCorners && corner)) return false;
    if (i != deleteKey && !faces[i].Kept() && Same(faces[i].label, u"")) return false;
  }
  return true;
}
static_assert(WellFormed(kUpright0, 3, false) && WellFormed(kUpright1, 3, false));
static_assert(WellFormed(kWide0, 4, false) && WellFormed(kWide1, 4, true));
static_assert(kPi.label[0] == kPiSign && kE.label[0] == kESign && kRoot.label[0] == kRootSign &&
              kSquare.insert[0] == kSquareSign && kReciprocal.insert[0] == kReciprocalSign &&
              kExponent.label[0] == kExponentSign);

}  // namespace

const KeypadFaces& KeypadLayer(bool wide, int32_t layer) {
  if (wide) return layer == 1 ? kWide1 : kWide0;
  return layer == 1 ? kUpright1 : kUpright0;
}

}  // namespace abacine
