// BitmapFont: cutting a glyph strip into per-character metrics, measuring
// and drawing text.
#include "graphics/bitmap_font.h"

#include <algorithm>
#include <new>

#include "graphics/surface_internal.h"
#include "text/wstring.h"

namespace abacine {

namespace {

constexpr uint16_t kMarkerPixel = 0xFFFF;

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

// Space to '~' in code order, then '_' once more.
const char16_t kDefaultGlyphList[97] =
    u" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~_";

BitmapFont::BitmapFont(GraphicsContext* owner) : Surface(owner) {}

BitmapFont::~BitmapFont() = default;

int32_t BitmapFont::Entry(int table, char16_t c) const {
  if (!tables_) return 0;
  const int h = c & 0xFF;
  switch (table) {
    case 0: return tables_->x[h];
    case 1: return tables_->width[h];
    case 2: return tables_->left[h];
    default: return tables_->right[h];
  }
}

void BitmapFont::ClearCut() {
  tables_.reset();
  cut_mode_ = kCutModeColumns;
  cut_width_ = 0;
  glyph_height_ = 0;
  spacing_ = 0;
}

ResultCode BitmapFont::CheckStrip() const {
  if (Pixels() == nullptr) return kErrNoPixels;
  if (Flags() & kSurfaceLocked) return kErrLocked;
  if (!DisplayOpen(*this) || !LayoutCurrent()) return kErrWrongDisplayState;
  return kOk;
}

ResultCode BitmapFont::CutGlyphs(const char16_t* characters, uint32_t key, uint32_t flags,
                                 const int32_t* spacing) {
  if (const ResultCode code = CheckStrip(); code != kOk) return code;
  if (!Display565(*this)) return kErrWrongDisplayState;
  const char16_t* list = characters != nullptr ? characters : kDefaultGlyphList;
  if (list[0] == 0) return kErrInvalidArg;
  if ((flags & kCutUseSpacing) && spacing == nullptr) return kErrInvalidArg;
  const Box whole = WholeSurface(*this);
  if (!InsideBuffer(*this, whole)) return kErrWrongDisplayState;

  SetKeyColour(key);
  const uint16_t k = ColourToPixel(KeyColour());
  ClearCut();
  tables_.reset(new (std::nothrow) Tables{});
  if (!tables_) return kErrOutOfMemory;
  Tables& t = *tables_;

  const int64_t n = TextLength(list);
  const int32_t width = Width();
  const int32_t height = Height();
  const auto at = [this](int32_t x, int32_t y) { return Pixels()[IndexOf(*this, x, y)]; };
  const auto column_has_ink = [&](int32_t c, int32_t first_row) {
    for (int32_t r = first_row; r < height; ++r) {
      if (at(c, r) != k) return true;
    }
    return false;
  };
  const int32_t space = ' ';

  if (flags & kCutBlankColumns) {
    int64_t i = 0;
    bool inside = false;
    int32_t start = 0;
    for (int32_t c = 0; c < width && i < n; ++c) {
      const bool ink = column_has_ink(c, 0);
      if (ink && !inside) {
        if (i == 0 && list[0] == space) {
          t.x[space] = 0;
          t.width[space] = c;
          i = 1;
        }
        start = c;
        inside = true;
      } else if (!ink && inside) {
        const int h = list[i] & 0xFF;
        t.x[h] = start;
        t.width[h] = c - start;
        ++i;
        inside = false;
      }
    }
    cut_mode_ = kCutModeColumns;
    glyph_height_ = height;
  } else {
    int64_t i = 0;
    bool inside = false;
    int32_t start = 0;
    for (int32_t c = 0; c < width && i < n; ++c) {
      const bool marker = at(c, 0) == kMarkerPixel;
      if (marker && list[i] == space) {
        if (!inside) {
          start = c;
          inside = true;
        }
        continue;
      }
      if (column_has_ink(c, 1)) {
        if (!inside) {
          start = c;
          inside = true;
        }
        continue;
      }
      if (!marker && inside) {
        const int h = list[i] & 0xFF;
        t.x[h] = start;
        t.width[h] = c - start;
        ++i;
        inside = false;
      }
    }
    int64_t runs = 0;
    bool in_run = false;
    for (int32_t c = 0; c < width && runs < n; ++c) {
      const int h = list[runs] & 0xFF;
      const bool white = at(c, 0) == kMarkerPixel;
      if (white && !in_run) {
        t.left[h] = t.x[h] - c;
        in_run = true;
      } else if (!white && in_run) {
        t.right[h] = c - t.x[h] - t.width[h];
        ++runs;
        in_run = false;
      }
    }
    if (runs != i) {
      ClearCut();
      return kErrGlyphMarkerMismatch;
    }
    cut_mode_ = kCutModeMarker;
    glyph_height_ = height - 1;
  }
  cut_width_ = width;
  spacing_ = (flags & kCutUseSpacing) ? *spacing : 0;
  return kOk;
}

int32_t BitmapFont::MeasureUnits(const char16_t* text, int32_t count) const {
  if (!tables_ || text == nullptr) return 0;
  const Tables& t = *tables_;
  int64_t width = 0;
  for (int32_t j = 0; j < count; ++j) {
    const int h = text[j] & 0xFF;
    if (j > 0) width += t.left[h];
    if (t.width[h] == 0) continue;
    width += t.width[h];
    if (j != count - 1) width += int64_t{t.right[h]} + spacing_;
  }
  return Clamp32(width);
}

ResultCode BitmapFont::MeasureText(const char16_t* text, int32_t* width) const {
  if (text == nullptr || width == nullptr || text[0] == 0) return kErrInvalidArg;
  if (!IsCut()) return kErrNoPixels;
  *width = MeasureUnits(text, TextLength(text));
  return kOk;
}

ResultCode BitmapFont::MeasureText(const WString& text, int32_t* width) const {
  if (width == nullptr || text.Empty()) return kErrInvalidArg;
  if (!IsCut()) return kErrNoPixels;
  *width = MeasureUnits(text.CStr(), text.Length());
  return kOk;
}

ResultCode BitmapFont::GlyphWidth(char16_t character, int32_t* width) const {
  if (width == nullptr || character == 0) return kErrInvalidArg;
  if (!IsCut()) return kErrNoPixels;
  *width = tables_->width[character & 0xFF];
  return kOk;
}

ResultCode BitmapFont::GlyphGap(char16_t first, char16_t second, int32_t* gap) const {
  if (gap == nullptr || first == 0 || second == 0) return kErrInvalidArg;
  if (!IsCut()) return kErrNoPixels;
  const char16_t pair[2] = {first, second};
  *gap = Clamp32(int64_t{MeasureUnits(pair, 2)} - tables_->width[first & 0xFF] -
                 tables_->width[second & 0xFF]);
  return kOk;
}

namespace {

ResultCode DrawUnits(Surface* target, int32_t x, int32_t y, const char16_t* text, int32_t count,
                     const BitmapFont* font, uint32_t text_options, uint32_t blit_options,
                     const Effects* effects);

}  // namespace

ResultCode DrawText(Surface* target, int32_t x, int32_t y, const char16_t* text,
                    const BitmapFont* font, uint32_t text_options, uint32_t blit_options,
                    const Effects* effects) {
  if (font == nullptr || text == nullptr || text[0] == 0 || target == nullptr) {
    return kErrInvalidArg;
  }
  return DrawUnits(target, x, y, text, TextLength(text), font, text_options, blit_options,
                   effects);
}

ResultCode DrawText(Surface* target, int32_t x, int32_t y, const WString& text,
                    const BitmapFont* font, uint32_t text_options, uint32_t blit_options,
                    const Effects* effects) {
  if (font == nullptr || text.Empty() || target == nullptr) return kErrInvalidArg;
  return DrawUnits(target, x, y, text.CStr(), text.Length(), font, text_options, blit_options,
                   effects);
}

namespace {

ResultCode DrawUnits(Surface* target, int32_t x, int32_t y, const char16_t* text, int32_t count,
                     const BitmapFont* font, uint32_t text_options, uint32_t blit_options,
                     const Effects* effects) {
  if (!font->IsCut() || font->CutStripWidth() != font->Width() || target->Pixels() == nullptr ||
      font->Pixels() == nullptr) {
    return kErrNoPixels;
  }
  if ((target->Flags() & kSurfaceLocked) || (font->Flags() & kSurfaceLocked)) return kErrLocked;
  if (target->Flags() & kSurfaceReadOnly) return kErrReadOnlyTarget;
  if (!DisplayOpen(*target) || !target->LayoutCurrent() || !font->LayoutCurrent()) {
    return kErrWrongDisplayState;
  }

  const int32_t width = font->MeasureUnits(text, count);
  int64_t left = x;
  if (text_options & kTextRight) {
    left -= width;
  } else if (text_options & kTextCentre) {
    // Halving rounds down, so an odd width puts the extra pixel right of x.
    left -= width >= 0 ? width / 2 : (width - 1) / 2;
  }

  const int32_t top_row = font->CutMode();
  int64_t pen = 0;
  for (int32_t j = 0; j < count; ++j) {
    const char16_t c = text[j];
    if (j > 0) pen += font->GlyphLeft(c);
    const int32_t ink = font->GlyphInkWidth(c);
    if (ink == 0) continue;
    const Rect glyph{font->GlyphX(c), top_row, font->GlyphX(c) + ink,
                     top_row + font->GlyphHeight()};
    const ResultCode code = target->BlitAt(Clamp32(left + pen), y, font, &glyph,
                                           blit_options | kBlitColourKey, effects);
    if (code != kOk) return code;
    pen += ink;
    if (j != count - 1) pen += int64_t{font->Spacing()} + font->GlyphRight(c);
  }
  return kOk;
}

}  // namespace

}  // namespace abacine
