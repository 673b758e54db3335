// TextFont: creation, measuring and drawing. The layout is in
// text_layout.cpp.
#include "ui/text_font.h"

#include "graphics/bitmap_font.h"
#include "graphics/image_decoder.h"
#include "ui/clamp32.h"
#include "ui/widget_state.h"

namespace abacine {

namespace {

// The fitted text's tail.
constexpr char16_t kEllipsis[] = u"...";
// DrawStringFit never cuts to this width or less.
constexpr int32_t kSmallestCut = 16;

}  // namespace

TextFont::TextFont(const WidgetState* widgets)
    : widgets_(widgets), cells_(static_cast<size_t>(kTextCellCapacity)) {}

TextFont::~TextFont() = default;

ResultCode TextFont::Create(GraphicsContext* context, Archive* archive, const char16_t* path,
                            uint32_t key, const char16_t* characters, int32_t spacing,
                            uint32_t tint) {
  auto font = std::make_unique<BitmapFont>(context);
  ResultCode code = LoadFromArchive(font.get(), kSurfaceClear, archive, path);
  if (code == kOk) code = font->CutGlyphs(characters, key, kCutUseSpacing, &spacing);
  Adopt(std::move(font), tint);
  return code;
}

void TextFont::Adopt(std::unique_ptr<BitmapFont> font, uint32_t tint) {
  owned_ = std::move(font);
  font_ = owned_.get();
  tint_ = tint;
}

void TextFont::Borrow(BitmapFont* font, uint32_t tint) {
  owned_.reset();
  font_ = font;
  tint_ = tint;
}

const Surface* TextFont::Area() const {
  if (widgets_ != nullptr && widgets_->drawTarget != nullptr) return widgets_->drawTarget;
  return target_;
}

int32_t TextFont::TextWidth(const WString& text) const {
  if (font_ == nullptr) return 0;
  return font_->MeasureUnits(text.CStr(), text.Length());
}

int32_t TextFont::FontHeight() const { return font_ != nullptr ? font_->Height() : 0; }

int32_t TextFont::CharWidth(char16_t c) const {
  int32_t width = 0;
  if (font_ == nullptr || font_->GlyphWidth(c, &width) != kOk) return 0;
  return width;
}

int32_t TextFont::SpaceWidth() const {
  const int32_t space = CharWidth(u' ');
  return space != 0 ? space : FontHeight();
}

void TextFont::DrawString(const WString& text, int32_t x, int32_t y) const {
  DrawString(text, x, y, tint_);
}

void TextFont::DrawString(const WString& text, int32_t x, int32_t y, uint32_t colour) const {
  if (target_ == nullptr || font_ == nullptr || text.Empty()) return;
  if (Tinted() && UsesColour(colour)) {
    Effects effects;
    effects.scale_or_colour = colour;
    DrawText(target_, x, y, text, font_, 0, kBlitMultiply, &effects);
    return;
  }
  DrawText(target_, x, y, text, font_, 0, 0, nullptr);
}

void TextFont::DrawStringFit(const WString& text, int32_t x, int32_t y, int32_t maxWidth,
                             uint32_t colour) const {
  if (maxWidth <= kSmallestCut || TextWidth(text) <= maxWidth || font_ == nullptr) {
    DrawString(text, x, y, colour);
    return;
  }
  // The longest head whose width with the dots (and the gap before them)
  // stays within the maximum; pen is where head character k starts.
  const int32_t dots = TextWidth(kEllipsis);
  const int32_t n = text.Length();
  int32_t keep = 0;
  int64_t pen = 0;
  for (int32_t k = 1; k <= n; ++k) {
    const char16_t last = text[k - 1];
    int32_t gap = 0;
    font_->GlyphGap(last, u'.', &gap);
    if (pen + CharWidth(last) + gap + dots <= maxWidth) keep = k;
    if (k < n) {
      int32_t next_gap = 0;
      font_->GlyphGap(last, text[k], &next_gap);
      pen += CharWidth(last) + next_gap;
    }
  }
  WString cut(text, 0, keep);
  cut.Append(kEllipsis);
  DrawString(cut, x, y, colour);
}

int32_t TextFont::DrawMarkup(const WString& text, int32_t x, int32_t y) {
  return DrawMarkup(text, x, y, TextStyle{});
}

int32_t TextFont::DrawMarkup(const WString& text, int32_t x, int32_t y, const TextStyle& style) {
  if (target_ == nullptr) return 0;
  const Surface* area = Area();
  const int64_t right = int64_t{area->Width()} - style.rightMargin;
  lastMarkupBox_ = LayoutBox{x, y, Clamp32(right)};
  int32_t lines = 1;
  if (LayoutText(text, lastMarkupBox_, style, &lines) == 0) return 1;
  for (int32_t i = 0; i < cellCount_ && cells_[static_cast<size_t>(i)].character != 0; ++i) {
    DrawCell(cells_[static_cast<size_t>(i)]);
  }
  return lines;
}

void TextFont::DrawCell(const TextCell& cell) const {
  if (font_ == nullptr) return;
  const char16_t glyph[2] = {cell.character, 0};
  if (UsesColour(cell.colour)) {
    // Untinted glyphs are dark, so screen lifts them to the colour; tinted
    // ones are light and multiply takes them down to it.
    Effects effects;
    effects.scale_or_colour = cell.colour;
    DrawText(target_, cell.x, cell.y, glyph, font_, 0, Tinted() ? kBlitMultiply : kBlitScreen,
             &effects);
    return;
  }
  DrawText(target_, cell.x, cell.y, glyph, font_, 0, 0, nullptr);
}

}  // namespace abacine
