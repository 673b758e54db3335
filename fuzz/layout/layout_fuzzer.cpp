// Fuzzes LayoutText, CellRect, HitTest and DrawMarkup with any text, box and
// style: the layout must end, make at most min(length, 1024) cells, keep
// every cell's advance and tag rule, and HitTest must name exactly the first
// cell that holds the point strictly inside. Drawing the same text must stay
// inside the target (the build adds AddressSanitizer and
// UndefinedBehaviorSanitizer).
//
// Input: byte 0 style flags (bit 0 markup, 1 bracket colours, 2 lower case,
// 3 tinted font, 4 style colour light grey); bytes 1-10 five signed 16-bit
// values: box left, top, right, the bottom limit and the line gap (scaled
// so that every edge of the 32-bit range is reached); bytes 11-14 two probe
// points (x, y as signed bytes around the first cell); the rest the text as
// UTF-16 code units (an odd last byte is dropped).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "ui/sample_font.h"
#include "ui/text_font.h"
#include "ui/widget_state.h"

using namespace abacine;

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

struct World {
  GraphicsContext context;
  Surface target{&context};
  WidgetState widgets;
  TextFont plain{&widgets};
  TextFont tinted{&widgets};

  World() {
    DisplayState* s = context.State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, 2, 960, 16, kFormat565 | kFormatDirectAccess};
    target.Create(kSurfaceClear, 64, 48);
    widgets.beginFrame(&target);
    for (TextFont* f : {&plain, &tinted}) {
      auto font = std::make_unique<BitmapFont>(&context);
      MakeSampleFont(font.get(), 1, f == &tinted ? 0xFFFFFF : 0);
      f->Adopt(std::move(font), f == &tinted ? 0xFFFFFF : 0);
      f->SetTarget(&target);
    }
  }
};

World& TheWorld() {
  static World* world = new World();
  return *world;
}

// A 16-bit value spread over the 32-bit range at its ends: small values
// stay as they are, the largest reach INT32_MIN and INT32_MAX.
int32_t Spread(int16_t v) {
  if (v > 30000) return INT32_MAX - (32767 - v);
  if (v < -30000) return INT32_MIN + (v + 32768);
  return v;
}

int16_t Read16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHeader = 15;
  if (size < kHeader) return 0;
  World& w = TheWorld();
  const uint8_t flags = data[0];
  TextStyle style;
  style.markup = (flags & 1) != 0;
  style.bracketColours = (flags & 2) != 0;
  style.lowerCase = (flags & 4) != 0;
  if (flags & 16) style.colour = 0x00C8C8C8;
  TextFont& font = (flags & 8) != 0 ? w.tinted : w.plain;
  const LayoutBox box{Spread(Read16(data + 1)), Spread(Read16(data + 3)), Spread(Read16(data + 5))};
  font.SetBottomLimit(Spread(Read16(data + 7)));
  style.lineGap = Read16(data + 9);

  const size_t units = (size - kHeader) / 2;
  WString text;
  for (size_t i = 0; i < units; ++i)
    text.Append(static_cast<char16_t>(Read16(data + kHeader + 2 * i)));

  int32_t lines = 0;
  Require(font.LayoutText(text, box, style, &lines) == text.Length());
  Require(lines >= 1);
  const int32_t count = font.CellCount();
  Require(count >= 0 && count <= std::min(text.Length(), kTextCellCapacity));
  Rect r;
  for (int32_t k = 0; k < count; ++k) {
    const TextCell& c = font.Cell(k);
    Require(font.CellRect(k, &r));
    Require(c.advance == font.CharWidth(c.character) + 1);
    Require(c.character != u'\n');
    if (style.markup) Require(c.character != u'[');
    if (style.lowerCase) Require(c.character < u'A' || c.character > u'Z');
  }
  Require(!font.CellRect(count, &r) && !font.CellRect(-1, &r));

  // Probe around the first cell (or the box's corner).
  const int64_t ox = count > 0 ? font.Cell(0).x : box.left;
  const int64_t oy = count > 0 ? font.Cell(0).y : box.top;
  for (int p = 0; p < 2; ++p) {
    const int32_t px = static_cast<int32_t>(
        std::clamp<int64_t>(ox + static_cast<int8_t>(data[11 + 2 * p]), INT32_MIN, INT32_MAX));
    const int32_t py = static_cast<int32_t>(
        std::clamp<int64_t>(oy + static_cast<int8_t>(data[12 + 2 * p]), INT32_MIN, INT32_MAX));
    int32_t hit = -1;
    const bool found = font.HitTest(text, box, style, px, py, &hit);
    Require(font.CellCount() == count);  // the same layout again
    int32_t first = -1;
    for (int32_t k = 0; k < count && first < 0; ++k) {
      font.CellRect(k, &r);
      if (r.left < px && px < r.right && r.top < py && py < r.bottom) first = k;
    }
    Require(found == (first >= 0));
    if (found) Require(hit == first);
  }

  // Drawing the same text at the box's corner.
  font.DrawMarkup(text, box.left, box.top, style);
  font.DrawString(text, box.left, box.top, style.colour);
  const int64_t width = int64_t{box.right} - box.left;
  font.DrawStringFit(text, box.left, box.top,
                     static_cast<int32_t>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX)),
                     style.colour);
  return 0;
}
