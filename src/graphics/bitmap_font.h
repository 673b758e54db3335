// BitmapFont: a surface holding a glyph strip (glyphs side by side in one
// row) plus per-character metrics found once by CutGlyphs, either along a
// white marker row on top of the strip or by the blank columns between
// glyphs. Characters are looked up by the low byte of their code. DrawText
// draws a string with one colour-keyed BlitAt per glyph and MeasureText gives
// the same width to the pixel. Results are codes of graphics/result_codes.h.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/surface.h"

namespace abacine {

class WString;

// CutGlyphs flags.
inline constexpr uint32_t kCutUseSpacing = 0x0001;   // spacing from the pointer
inline constexpr uint32_t kCutBlankColumns = 0x0002; // no marker row

// DrawText text options.
inline constexpr uint32_t kTextCentre = 0x0002;  // centred on x
inline constexpr uint32_t kTextRight = 0x0004;   // ends at x

// Cut modes.
inline constexpr int32_t kCutModeColumns = 0;
inline constexpr int32_t kCutModeMarker = 1;

// Default character list: space to '~' in code order, then '_' again.
extern const char16_t kDefaultGlyphList[97];

class BitmapFont : public Surface {
 public:
  explicit BitmapFont(GraphicsContext* owner);
  ~BitmapFont() override;

  // characters: glyphs in strip order (null: kDefaultGlyphList); key: the
  // strip's transparent colour 0x00BBGGRR.
  ResultCode CutGlyphs(const char16_t* characters, uint32_t key, uint32_t flags,
                       const int32_t* spacing);

  ResultCode MeasureText(const char16_t* text, int32_t* width) const;
  ResultCode MeasureText(const WString& text, int32_t* width) const;
  ResultCode GlyphWidth(char16_t character, int32_t* width) const;
  // The space MeasureText puts between the two characters.
  ResultCode GlyphGap(char16_t first, char16_t second, int32_t* gap) const;
  // MeasureText's arithmetic on exactly `count` units (embedded zeros are
  // characters without glyphs); 0 while the font is not cut.
  int32_t MeasureUnits(const char16_t* text, int32_t count) const;

  // Metrics, for layout code and tests. Zero while not cut.
  bool IsCut() const { return glyph_height_ != 0 && tables_ != nullptr; }
  int32_t CutMode() const { return cut_mode_; }
  int32_t CutStripWidth() const { return cut_width_; }
  int32_t GlyphHeight() const { return glyph_height_; }
  int32_t Spacing() const { return spacing_; }
  int32_t GlyphX(char16_t c) const { return Entry(0, c); }
  int32_t GlyphInkWidth(char16_t c) const { return Entry(1, c); }
  int32_t GlyphLeft(char16_t c) const { return Entry(2, c); }
  int32_t GlyphRight(char16_t c) const { return Entry(3, c); }

 private:
  struct Tables {
    int32_t x[256];
    int32_t width[256];
    int32_t left[256];
    int32_t right[256];
  };

  int32_t Entry(int table, char16_t c) const;
  ResultCode CheckStrip() const;
  void ClearCut();

  int32_t cut_mode_ = kCutModeColumns;
  int32_t cut_width_ = 0;
  int32_t glyph_height_ = 0;
  int32_t spacing_ = 0;
  std::unique_ptr<Tables> tables_;
};

// Draws text onto target with font. text_options: kTextCentre, kTextRight;
// blit_options and effects are those of BlitAt (the colour key is always on).
ResultCode DrawText(Surface* target, int32_t x, int32_t y, const char16_t* text,
                    const BitmapFont* font, uint32_t text_options, uint32_t blit_options,
                    const Effects* effects);
ResultCode DrawText(Surface* target, int32_t x, int32_t y, const WString& text,
                    const BitmapFont* font, uint32_t text_options, uint32_t blit_options,
                    const Effects* effects);

}  // namespace abacine
