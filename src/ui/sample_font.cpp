#include "ui/sample_font.h"

#include <array>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "graphics/surface.h"

namespace abacine {

namespace {

// Calculator signs in the built-in table's form: bit i lights column
// advance - 1 - i of the cell; column 0 stays blank.
struct SignGlyph {
  char16_t code;
  BuiltinGlyph glyph;
};
constexpr SignGlyph kSigns[] = {
    {u'\u0080', {{0, 7, 6, 4, 7}, 4}},       // exponent sign: a small capital E
    {u'\u0083', {{1, 1, 0, 0, 0}, 2}},       // prime
    {u'\u0084', {{3, 2, 2, 2, 6}, 4}},       // integral
    {u'\u0085', {{6, 1, 2, 7, 0}, 4}},       // square: a raised 2
    {u'\u0086', {{2, 26, 2, 2, 0}, 6}},      // reciprocal: a raised -1
    {u'\u0087', {{7, 4, 20, 12, 4}, 6}},     // root
    {u'\u0088', {{7, 5, 7, 0, 0}, 4}},       // a degree ring (no key makes it)
    {u'\u00DB', {{0, 15, 15, 15, 0}, 5}},    // a block (no key makes it)
    {u'\u00DC', {{6, 9, 14, 8, 7}, 5}},      // e
    {u'\u00DD', {{31, 17, 17, 17, 31}, 6}},  // placeholder box
    {u'\u00ED', {{31, 10, 10, 10, 9}, 6}},   // pi
};
constexpr int32_t kSignCount = static_cast<int32_t>(std::size(kSigns));
constexpr int32_t kCharCount = kBuiltinGlyphCount + kSignCount;

constexpr bool SignsWellFormed() {
  for (const SignGlyph& s : kSigns) {
    uint8_t ink = 0;
    for (uint8_t row : s.glyph.rows) {
      if (row >> (s.glyph.advance - 1)) return false;  // the cell's first column stays blank
      ink |= row;
    }
    // A glyph without ink would break the marker-row cut; low bytes must
    // not collide with the built-in range.
    if (ink == 0 || (s.code & 0xFF) <= kBuiltinLastChar) return false;
  }
  return true;
}
static_assert(SignsWellFormed());

const BuiltinGlyph& GlyphAt(int32_t i) {
  return i < kBuiltinGlyphCount ? kBuiltinFontTable[static_cast<size_t>(i)]
                                : kSigns[i - kBuiltinGlyphCount].glyph;
}

}  // namespace

namespace {

// The list names exactly the strip's glyphs, in strip order.
constexpr bool ListMatchesStrip() {
  for (int32_t i = 0; i < kBuiltinGlyphCount; ++i) {
    if (kSampleFontChars[i] != kBuiltinFirstChar + i) return false;
  }
  for (int32_t i = 0; i < kSignCount; ++i) {
    if (kSampleFontChars[kBuiltinGlyphCount + i] != kSigns[i].code) return false;
  }
  return kSampleFontChars[kCharCount] == 0;
}
static_assert(sizeof(kSampleFontChars) / sizeof(char16_t) == kCharCount + 1);
static_assert(ListMatchesStrip());

}  // namespace

int32_t SampleFontHeight(int32_t scale) { return 7 * scale + 1; }

ResultCode DrawSampleStrip(Surface* strip, int32_t scale, uint32_t ink) {
  if (strip == nullptr || scale < 1 || scale > kSampleFontMaxScale) return kErrInvalidArg;
  // One key column after the last cell ends its glyph and marker run.
  int32_t width = 1;
  for (int32_t i = 0; i < kCharCount; ++i) width += GlyphAt(i).advance * scale;
  if (const ResultCode code = strip->Create(0, width, SampleFontHeight(scale)); code != kOk) {
    return code;
  }
  ResultCode code = strip->FillArea(nullptr, kSampleFontKey, 0, nullptr);
  int32_t cell = 0;
  for (int32_t i = 0; i < kCharCount && code == kOk; ++i) {
    const BuiltinGlyph& g = GlyphAt(i);
    // The marker run covers the cell but its blank first column, which keeps
    // neighbouring runs apart.
    const Rect marker{cell + scale, 0, cell + g.advance * scale, 1};
    code = strip->FillArea(&marker, 0x00FFFFFF, 0, nullptr);
    for (int32_t r = 0; r < 5 && code == kOk; ++r) {
      for (int32_t k = 1; k < g.advance && code == kOk; ++k) {
        if (((g.rows[r] >> (g.advance - 1 - k)) & 1) == 0) continue;
        const int32_t left = cell + k * scale;
        const int32_t top = 1 + scale + r * scale;
        const Rect dot{left, top, left + scale, top + scale};
        code = strip->FillArea(&dot, ink, 0, nullptr);
      }
    }
    cell += g.advance * scale;
  }
  return code;
}

ResultCode MakeSampleFont(BitmapFont* font, int32_t scale, uint32_t ink) {
  if (const ResultCode code = DrawSampleStrip(font, scale, ink); code != kOk) return code;
  return font->CutGlyphs(kSampleFontChars, kSampleFontKey, kCutUseSpacing, &scale);
}

}  // namespace abacine
