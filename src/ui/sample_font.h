// A sample glyph strip made in code: the built-in 5-row font, scaled up, plus
// glyphs of its own for the calculator signs, drawn as a marker-row strip on
// the magenta key exactly as a skin strip is laid out. The tests, the fuzz
// target, the benchmark and the widget gallery use it, so none of them needs
// the skin; it is also a font of last resort when a skin strip is missing.
#pragma once

#include <cstdint>

#include "graphics/result_codes.h"

namespace abacine {

class BitmapFont;
class Surface;

inline constexpr uint32_t kSampleFontKey = 0x00FF00FF;
inline constexpr int32_t kSampleFontMaxScale = 4;

// The strip's characters in strip order: space to "z", then the calculator
// signs U+0080, U+0083-U+0088, U+00DB, U+00DC, U+00DD and U+00ED.
inline constexpr char16_t kSampleFontChars[] =
    u" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz"
    u"\u0080\u0083\u0084\u0085\u0086\u0087\u0088\u00DB\u00DC\u00DD\u00ED";

// Each scale-1 column and row becomes scale x scale pixels. The strip is one
// marker row, `scale` blank rows, 5 x scale glyph rows and `scale` blank
// rows, so its height (the font height) is 7 x scale + 1.
int32_t SampleFontHeight(int32_t scale);

// (Re)creates `strip` and draws the sample strip into it with the glyphs in
// `ink` (0x00BBGGRR). Scale 1 to kSampleFontMaxScale, else kErrInvalidArg.
ResultCode DrawSampleStrip(Surface* strip, int32_t scale, uint32_t ink);

// DrawSampleStrip, then CutGlyphs with kSampleFontChars, the magenta key and
// a spacing of `scale`, so every glyph advances by its scaled cell width.
ResultCode MakeSampleFont(BitmapFont* font, int32_t scale, uint32_t ink);

}  // namespace abacine
