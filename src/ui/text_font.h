// TextFont: the application's font object. It owns (or borrows) a BitmapFont
// made from a skin strip, draws on one target surface, and adds what the
// calculator needs on top of glyph drawing: strings in a colour, strings cut
// to a width with "...", and a character-by-character layout (LayoutText)
// that wraps words at a right edge, follows line feeds, strips colour tags
// such as "[green]" ... "[/]", colours nested brackets and keeps every
// character's cell, so that a tap can be mapped back to a character.
//
// Nothing here reports an error: without a target or a font, drawing does
// nothing and every text measures 0. Layout never writes more than
// kTextCellCapacity cells and always ends, whatever the font, box or style.
// Single-threaded.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/result_codes.h"
#include "graphics/surface.h"
#include "text/wstring.h"

namespace abacine {

class Archive;
class BitmapFont;
class GraphicsContext;
struct WidgetState;

// Colours are 0x00BBGGRR; this one means "no colour".
inline constexpr uint32_t kNoColour = 0xFFFFFFFF;
inline constexpr int32_t kTextCellCapacity = 1024;

// The style record of markup drawing and layout.
struct TextStyle {
  uint32_t colour = kNoColour;
  int32_t lineGap = 0;      // pixels added to every line step
  int32_t rightMargin = 0;  // DrawMarkup wraps at the draw target's width minus this
  uint8_t reserved = 1;     // carried for callers; the layout does not read it
  bool markup = true;       // "[" starts a tag
  bool bracketColours = false;
  bool lowerCase = false;  // "A" to "Z" are laid out as "a" to "z"
};

// One laid-out character. `advance` is the glyph width + 1; a colour of 0
// (or kNoColour) draws the glyph plainly.
struct TextCell {
  int32_t x = 0;
  int32_t y = 0;
  int32_t advance = 0;
  uint32_t colour = 0;
  char16_t character = 0;
};

// Where a layout starts (left, top) and the right edge it wraps at: a
// glyph fits while x + its width <= right.
struct LayoutBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
};

class TextFont {
 public:
  // Characters at which a line may break; the break character stays at the
  // end of its line.
  static constexpr std::array<char16_t, 10> kBreakCharacters = {u' ', u'{', u'}', u'+', u'-',
                                                                u'*', u'^', u'(', u')', u','};

  // `widgets` gives the draw target whose size bounds layouts (bottom limit
  // 0) and markup lines; without it, or while it has no target, the font's
  // own target stands in.
  explicit TextFont(const WidgetState* widgets = nullptr);
  ~TextFont();
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

  // Loads the strip `path` from the archive and cuts it (characters in strip
  // order, key colour, spacing); tint 0 is an untinted font. The font is
  // kept even when loading or cutting fails (it then measures 0 and draws
  // nothing); the first failing code is returned for the curious.
  ResultCode Create(GraphicsContext* context, Archive* archive, const char16_t* path, uint32_t key,
                    const char16_t* characters, int32_t spacing, uint32_t tint);
  // Takes a font to own, or one to use that someone else frees.
  void Adopt(std::unique_ptr<BitmapFont> font, uint32_t tint);
  void Borrow(BitmapFont* font, uint32_t tint);

  void SetTarget(Surface* target) { target_ = target; }
  Surface* Target() const { return target_; }
  BitmapFont* Font() const { return font_; }
  bool Borrowed() const { return font_ != nullptr && owned_ == nullptr; }
  uint32_t Tint() const { return tint_; }
  bool Tinted() const { return tint_ != 0; }
  void SetExtraLineSpacing(int32_t pixels) { extraLineSpacing_ = pixels; }
  // 0: the height of the draw target.
  void SetBottomLimit(int32_t bottom) { bottomLimit_ = bottom; }

  // --- Measuring ---------------------------------------------------------
  int32_t TextWidth(const WString& text) const;
  // The strip's height (the glyphs plus the marker row); lines are this far
  // apart. 0 without a font.
  int32_t FontHeight() const;
  int32_t CharWidth(char16_t c) const;
  // The space's width, or the font height when the space has no glyph.
  int32_t SpaceWidth() const;

  // --- Drawing -------------------------------------------------------------
  // Plainly (the form without colour passes the tint).
  void DrawString(const WString& text, int32_t x, int32_t y) const;
  // A tinted font multiplies its glyphs by `colour` unless it is 0,
  // kNoColour or the tint; an untinted font ignores it.
  void DrawString(const WString& text, int32_t x, int32_t y, uint32_t colour) const;
  // Cut to maxWidth with "...", the dots included. A maximum of 16 or less
  // never cuts; when even "..." is wider than the maximum, "..." is drawn.
  void DrawStringFit(const WString& text, int32_t x, int32_t y, int32_t maxWidth,
                     uint32_t colour) const;
  // Lays the text out from (x, y) to the draw target's right edge less the
  // style's margin and draws it cell by cell; returns the line count (1
  // for an empty text, 0 without a target).
  int32_t DrawMarkup(const WString& text, int32_t x, int32_t y);
  int32_t DrawMarkup(const WString& text, int32_t x, int32_t y, const TextStyle& style);

  // --- Layout ----------------------------------------------------------------
  // Fills the cells and returns the text's length (0 for an empty text);
  // *lines (may be null) gets the line count.
  int32_t LayoutText(const WString& text, const LayoutBox& box, const TextStyle& style,
                     int32_t* lines);
  // The cell (x, y) to (x + advance, y + FontHeight) of the last layout;
  // false when index is not below the cell count.
  bool CellRect(int32_t index, Rect* rect) const;
  // Lays out and finds the first cell that holds (px, py) strictly inside.
  bool HitTest(const WString& text, const LayoutBox& box, const TextStyle& style, int32_t px,
               int32_t py, int32_t* index);
  // Cells made by the last layout; a cell of character 0 follows them when
  // there is room.
  int32_t CellCount() const { return cellCount_; }
  const TextCell& Cell(int32_t index) const { return cells_[static_cast<size_t>(index)]; }
  // The box of the last DrawMarkup.
  const LayoutBox& LastMarkupBox() const { return lastMarkupBox_; }

 private:
  // The surface whose size bounds layouts and markup lines, or null.
  const Surface* Area() const;
  // Draws one glyph with the colour rule of markup drawing.
  void DrawCell(const TextCell& cell) const;
  bool UsesColour(uint32_t colour) const {
    return colour != 0 && colour != kNoColour && colour != tint_;
  }

  const WidgetState* widgets_;
  std::vector<TextCell> cells_;
  int32_t extraLineSpacing_ = 0;
  uint32_t tint_ = 0;
  int32_t cellCount_ = 0;
  BitmapFont* font_ = nullptr;
  std::unique_ptr<BitmapFont> owned_;
  Surface* target_ = nullptr;
  LayoutBox lastMarkupBox_{};
  int32_t bottomLimit_ = 0;
};

}  // namespace abacine
