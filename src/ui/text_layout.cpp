// TextFont's layout: cells, colour tags, bracket colours, word wrap, hit
// testing.
#include <algorithm>
#include <optional>
#include <string_view>

#include "graphics/bitmap_font.h"
#include "ui/clamp32.h"
#include "ui/text_font.h"

namespace abacine {

namespace {

struct ColourTag {
  std::u16string_view text;
  uint32_t colour;
};
// "[/]" returns to the style's colour; any other bracketed text is a tag
// that changes nothing.
constexpr ColourTag kColourTags[] = {
    {u"[green]", 0x0000FF00},     {u"[yellow]", 0x0000FFFF}, {u"[red]", 0x000000FF},
    {u"[magenta]", 0x00FF00FF},   {u"[white]", 0x00FFFFFF},  {u"[gray]", 0x007D7D7D},
    {u"[lightgray]", 0x00C8C8C8},
};
constexpr std::u16string_view kEndTag = u"[/]";

// Bracket colours by nesting depth modulo 3.
constexpr uint32_t kUntintedBrackets[3] = {0x00FF0000, 0x00FF00FF, 0x0000FF00};
constexpr uint32_t kTintedBrackets[3] = {0x0000FF00, 0x00FF00FF, 0x0000FFFF};

// Light grey text is unreadable on the calculator's light background when an
// untinted (dark) font is screened with it, so it is darkened.
constexpr uint32_t kLightGrey = 0x00C8C8C8;
constexpr uint32_t kLightGreyOnUntinted = 0x003C3C3C;

bool IsBreak(char16_t c) {
  return std::find(TextFont::kBreakCharacters.begin(), TextFont::kBreakCharacters.end(), c) !=
         TextFont::kBreakCharacters.end();
}

}  // namespace

int32_t TextFont::LayoutText(const WString& text, const LayoutBox& box, const TextStyle& style,
                             int32_t* lines_out) {
  const std::u16string_view s = text.View();
  const int32_t n = text.Length();
  int64_t lines = 1;
  cellCount_ = 0;
  const auto finish = [&](int32_t cells) {
    cellCount_ = cells;
    if (cells < kTextCellCapacity) cells_[static_cast<size_t>(cells)] = TextCell{};
    if (lines_out != nullptr) *lines_out = Clamp32(lines);
  };
  if (n == 0) {
    finish(0);
    return 0;
  }

  const int64_t step = int64_t{style.lineGap} + extraLineSpacing_ + FontHeight();
  int64_t bottom = bottomLimit_;
  if (bottom == 0) {
    // Without any surface to measure there is no bottom: the text ends the layout.
    const Surface* area = Area();
    bottom = area != nullptr ? area->Height() : INT64_MAX;
  }
  const uint32_t* palette = Tinted() ? kTintedBrackets : kUntintedBrackets;
  uint32_t colour = style.colour;
  if (!Tinted()) colour = style.colour == kLightGrey ? kLightGreyOnUntinted : 0;

  // Where a wrap goes back to: the index and cell after the last break
  // character, with the colour in force there, so that a word laid out again
  // looks as it did. (The bracket depth needs no keeping: brackets are break
  // characters, and a bracket that wraps has not changed the depth yet.)
  struct BreakPoint {
    int32_t index;
    int32_t cell;
    uint32_t colour;
  };
  std::optional<BreakPoint> pending;
  int64_t depth = 0;
  int64_t x = box.left;
  int64_t y = box.top;
  const int32_t capacity = std::min(n, kTextCellCapacity);
  int32_t cell = 0;
  int32_t i = 0;
  while (i < n && cell < capacity) {
    char16_t c = s[static_cast<size_t>(i)];
    if (style.lowerCase && c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));

    if (c == u'\n') {
      if (i == n - 1) break;
      x = box.left;
      y += step;
      ++lines;
      // A wrap never goes back across a line feed: that would lay the line
      // feed out twice and open empty lines.
      pending.reset();
      if (y > bottom) break;
      ++i;
      continue;
    }

    if (c == u'[' && style.markup) {
      const size_t close = s.find(u']', static_cast<size_t>(i));
      const size_t end = close == std::u16string_view::npos ? s.size() : close + 1;
      const std::u16string_view tag =
          s.substr(static_cast<size_t>(i), end - static_cast<size_t>(i));
      if (Tinted()) {
        if (tag == kEndTag) colour = style.colour;
        for (const ColourTag& known : kColourTags) {
          if (tag == known.text) colour = known.colour;
        }
      }
      i = static_cast<int32_t>(end);
      continue;
    }

    uint32_t cell_colour = colour;
    int64_t next_depth = depth;
    if (style.bracketColours && c == u'(') {
      cell_colour = palette[depth % 3];
      next_depth = depth + 1;
    } else if (style.bracketColours && c == u')') {
      // A ")" without its "(" takes the outermost colour; the depth stays 0.
      next_depth = std::max<int64_t>(depth - 1, 0);
      cell_colour = palette[next_depth % 3];
    }

    const int32_t w = CharWidth(c);
    int32_t gap = 0;
    if (i + 1 < n && font_ != nullptr) font_->GlyphGap(c, s[static_cast<size_t>(i) + 1], &gap);

    if (x + w > box.right) {
      x = box.left;
      y += step;
      ++lines;
      if (y > bottom) break;
      if (pending) {
        i = pending->index;
        cell = pending->cell;
        colour = pending->colour;
        pending.reset();
        continue;
      }
    }

    cells_[static_cast<size_t>(cell)] = TextCell{Clamp32(x), Clamp32(y), w + 1, cell_colour, c};
    ++cell;
    depth = next_depth;
    x += int64_t{w} + gap;
    ++i;
    if (IsBreak(c)) pending = BreakPoint{i, cell, colour};
  }
  finish(cell);
  return n;
}

bool TextFont::CellRect(int32_t index, Rect* rect) const {
  if (rect == nullptr || index < 0 || index >= cellCount_) return false;
  const TextCell& c = cells_[static_cast<size_t>(index)];
  *rect = Rect{c.x, c.y, Clamp32(int64_t{c.x} + c.advance), Clamp32(int64_t{c.y} + FontHeight())};
  return true;
}

bool TextFont::HitTest(const WString& text, const LayoutBox& box, const TextStyle& style,
                       int32_t px, int32_t py, int32_t* index) {
  LayoutText(text, box, style, nullptr);
  for (int32_t k = 0; k < cellCount_; ++k) {
    Rect r;
    CellRect(k, &r);
    if (r.left < px && px < r.right && r.top < py && py < r.bottom) {
      if (index != nullptr) *index = k;
      return true;
    }
  }
  return false;
}

}  // namespace abacine
