// BMP decoding on files built here: every supported bit count, row padding,
// bottom-up and top-down rows, larger headers, run-length streams with deltas
// and literal runs, and each malformed file as a named case.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"

namespace abacine {
namespace {

using Bytes = std::vector<uint8_t>;

struct Screen {
  explicit Screen(uint32_t format = kFormat565, int32_t orientation = 1, int32_t x_pitch = 2,
                  int32_t y_pitch = 960) {
    DisplayState* s = context.State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, x_pitch, y_pitch, 16, format | kFormatDirectAccess};
    s->current_orientation = s->requested_orientation = orientation;
  }
  GraphicsContext context;
};

std::vector<uint16_t> Logical(const Surface& s) {
  const SurfaceLayout& l = s.Layout();
  std::vector<uint16_t> out;
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x) out.push_back(s.Pixels()[l.origin + x * l.x_step + y * l.y_step]);
  return out;
}

constexpr uint16_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

// ---- writing BMPs ----------------------------------------------------------------

struct Bmp {
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colours = 0;  // the header's colour count
  uint32_t header_size = 40;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  Bytes pixels;
  int64_t data_offset = -1;  // -1: right after the palette
};

void Put16(Bytes* b, uint32_t v) {
  b->push_back(static_cast<uint8_t>(v));
  b->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes Encode(const Bmp& bmp) {
  const uint32_t offset = bmp.data_offset >= 0 ? static_cast<uint32_t>(bmp.data_offset)
                                               : 14 + bmp.header_size + 4 * static_cast<uint32_t>(bmp.palette.size());
  Bytes b = {'B', 'M'};
  Put32(&b, offset + static_cast<uint32_t>(bmp.pixels.size()));
  Put32(&b, 0);
  Put32(&b, offset);
  Put32(&b, bmp.header_size);
  Put32(&b, static_cast<uint32_t>(bmp.width));
  Put32(&b, static_cast<uint32_t>(bmp.height));
  Put16(&b, 1);
  Put16(&b, bmp.bits);
  Put32(&b, bmp.compression);
  Put32(&b, static_cast<uint32_t>(bmp.pixels.size()));
  Put32(&b, 2835);
  Put32(&b, 2835);
  Put32(&b, bmp.colours);
  Put32(&b, 0);
  b.resize(14 + bmp.header_size, 0x5C);  // larger headers: fields we do not read
  for (uint32_t c : bmp.palette) {
    b.push_back(static_cast<uint8_t>(c)), b.push_back(static_cast<uint8_t>(c >> 8));
    b.push_back(static_cast<uint8_t>(c >> 16)), b.push_back(0);
  }
  if (bmp.data_offset >= 0) b.resize(std::max<size_t>(b.size(), offset));
  b.insert(b.end(), bmp.pixels.begin(), bmp.pixels.end());
  return b;
}

// Rows of palette indexes (top row first) stored bottom-up, packed, each
// padded to 4 bytes.
Bytes IndexRows(const std::vector<std::vector<uint32_t>>& rows, int bits, bool top_down = false) {
  Bytes out;
  for (size_t k = 0; k < rows.size(); ++k) {
    const auto& row = rows[top_down ? k : rows.size() - 1 - k];
    Bytes packed;
    const int per_byte = 8 / bits;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i % per_byte == 0) packed.push_back(0);
      packed.back() |= static_cast<uint8_t>(row[i] << (8 - bits * (1 + static_cast<int>(i % per_byte))));
    }
    packed.resize((packed.size() + 3) / 4 * 4, 0);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

// Rows of 0xRRGGBB colours (top row first) as 24-bit BGR rows.
Bytes ColourRows(const std::vector<std::vector<uint32_t>>& rows, bool top_down = false) {
  Bytes out;
  for (size_t k = 0; k < rows.size(); ++k) {
    const auto& row = rows[top_down ? k : rows.size() - 1 - k];
    Bytes packed;
    for (uint32_t c : row) {
      packed.push_back(static_cast<uint8_t>(c));
      packed.push_back(static_cast<uint8_t>(c >> 8));
      packed.push_back(static_cast<uint8_t>(c >> 16));
    }
    packed.resize((packed.size() + 3) / 4 * 4, 0xEE);
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

uint16_t Pixel(uint32_t rgb) { return Rgb(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

const std::vector<uint32_t> kPalette16 = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x123456,
                                          0x808080, 0x7F7F7F, 0x010203, 0xF8FCF8, 0x070307, 0x0F0F0F,
                                          0xABCDEF, 0x102030, 0x405060, 0x708090};

std::vector<uint16_t> Expected(const std::vector<std::vector<uint32_t>>& indexes, const std::vector<uint32_t>& palette) {
  std::vector<uint16_t> out;
  for (const auto& row : indexes)
    for (uint32_t i : row) out.push_back(palette.empty() ? Pixel(i) : Pixel(palette[i]));
  return out;
}

// ---- uncompressed -----------------------------------------------------------------

TEST(ImageBmp, TheDocumentedPixel) {
  Screen screen;
  Bmp bmp;
  bmp.width = 1, bmp.height = 1;
  bmp.pixels = {0x10, 0x80, 0xFF, 0};  // blue, green, red
  const Bytes file = Encode(bmp);
  Surface surface(&screen.context);
  ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kOk);
  EXPECT_EQ(Logical(surface), std::vector<uint16_t>{0xFC02});
}

TEST(ImageBmp, UncompressedBitCountsWidthsAndRowOrder) {
  Screen screen;
  struct Row {
    std::string what;
    Bmp bmp;
    std::vector<uint16_t> expected;
  };
  std::vector<Row> rows;
  // Widths around the byte and 4-byte row boundaries for each bit count.
  for (int bits : {1, 4, 8}) {
    for (int width : {1, 2, 3, 5, 8, 9, 17, 33}) {
      const int colours = bits == 1 ? 2 : 16;
      std::vector<std::vector<uint32_t>> idx(3, std::vector<uint32_t>(static_cast<size_t>(width)));
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) idx[y][x] = static_cast<uint32_t>((x * 7 + y * 3 + x / 3) % colours);
      for (bool top_down : {false, true}) {
        Bmp bmp;
        bmp.width = width;
        bmp.height = top_down ? -3 : 3;
        bmp.bits = static_cast<uint16_t>(bits);
        bmp.palette.assign(kPalette16.begin(), kPalette16.begin() + colours);
        bmp.colours = bits == 8 ? 16 : 0;  // 0: every index of the bit count
        bmp.pixels = IndexRows(idx, bits, top_down);
        rows.push_back({std::to_string(bits) + " bits, width " + std::to_string(width) +
                            (top_down ? ", top-down" : ""),
                        bmp, Expected(idx, bmp.palette)});
      }
    }
  }
  for (int width : {1, 2, 3, 4, 5}) {
    std::vector<std::vector<uint32_t>> colours(2, std::vector<uint32_t>(static_cast<size_t>(width)));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < width; ++x) colours[y][x] = 0x10203 * static_cast<uint32_t>(x + 1) + 0x400000u * static_cast<uint32_t>(y) + 0x07;
    for (bool top_down : {false, true}) {
      Bmp bmp;
      bmp.width = width;
      bmp.height = top_down ? -2 : 2;
      bmp.pixels = ColourRows(colours, top_down);
      rows.push_back({"24 bits, width " + std::to_string(width) + (top_down ? ", top-down" : ""), bmp,
                      Expected(colours, {})});
    }
  }
  {
    // A V5 header (124 bytes): the palette follows it, not byte 54.
    std::vector<std::vector<uint32_t>> idx = {{0, 1, 2, 3}, {4, 5, 6, 7}};
    Bmp bmp;
    bmp.width = 4, bmp.height = 2, bmp.bits = 8, bmp.colours = 8, bmp.header_size = 124;
    bmp.palette.assign(kPalette16.begin(), kPalette16.begin() + 8);
    bmp.pixels = IndexRows(idx, 8);
    rows.push_back({"124-byte header", bmp, Expected(idx, bmp.palette)});
  }
  {
    // Pixel data at an offset with a gap after the palette.
    std::vector<std::vector<uint32_t>> idx = {{1, 0, 1}};
    Bmp bmp;
    bmp.width = 3, bmp.height = 1, bmp.bits = 1;
    bmp.palette = {0x00FF00, 0xFF00FF};
    bmp.data_offset = 14 + 40 + 8 + 6;
    bmp.pixels = IndexRows(idx, 1);
    rows.push_back({"gap before the pixels", bmp, Expected(idx, bmp.palette)});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Bytes file = Encode(row.bmp);
    Surface surface(&screen.context);
    ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kOk);
    EXPECT_EQ(surface.Width(), row.bmp.width);
    EXPECT_EQ(surface.Height(), std::abs(row.bmp.height));
    EXPECT_EQ(Logical(surface), row.expected);
    EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
  }
}

TEST(ImageBmp, LastRowWithoutItsPaddingStillDecodes) {
  Screen screen;
  Bmp bmp;
  bmp.width = 1, bmp.height = 2;
  bmp.pixels = ColourRows({{0xFF0000}, {0x0000FF}});
  bmp.pixels.pop_back();  // the top row is stored last; drop its pad byte
  const Bytes file = Encode(bmp);
  Surface surface(&screen.context);
  ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kOk);
  EXPECT_EQ(Logical(surface), (std::vector<uint16_t>{0xF800, 0x001F}));
}

TEST(ImageBmp, PixelsFollowTheSurfaceLayout) {
  std::vector<std::vector<uint32_t>> colours = {{0x112233, 0x445566, 0x778899}, {0xAABBCC, 0xDDEEFF, 0x102030}};
  Bmp bmp;
  bmp.width = 3, bmp.height = 2;
  bmp.pixels = ColourRows(colours);
  const Bytes file = Encode(bmp);
  struct Row {
    int32_t orientation, x_pitch, y_pitch;
  };
  for (const Row& row : {Row{2, 640, -2}, Row{4, -640, 2}, Row{8, -2, -960}}) {
    SCOPED_TRACE(row.orientation);
    Screen screen(kFormat565, row.orientation, row.x_pitch, row.y_pitch);
    Surface surface(&screen.context);
    ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kOk);
    EXPECT_EQ(Logical(surface), Expected(colours, {}));
  }
}

TEST(ImageBmp, FiveFiveFiveDisplayLeavesTheSurfaceCleared) {
  Screen screen(kFormat555);
  Bmp bmp;
  bmp.width = 2, bmp.height = 1;
  bmp.pixels = ColourRows({{0xFFFFFF, 0x808080}});
  const Bytes file = Encode(bmp);
  Surface surface(&screen.context);
  ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kOk);
  EXPECT_EQ(Logical(surface), (std::vector<uint16_t>{0, 0}));
}

// ---- run-length ----------------------------------------------------------------------

// A 6 x 4 image; '.' pixels are not drawn by the stream and stay cleared.
TEST(ImageBmp, RunLengthStreams) {
  Screen screen;
  const std::vector<uint32_t> palette(kPalette16.begin(), kPalette16.begin() + 16);
  auto p = [&](uint32_t i) { return Pixel(palette[i]); };
  struct Row {
    const char* what;
    bool rle4;
    Bytes stream;
    std::vector<uint16_t> expected;  // top row first, 6 x 4
  };
  const uint16_t _ = 0;
  const Row rows[] = {
      {"RLE8 runs and row ends", false,
       {3, 2, 3, 5, 0, 0,     // bottom row: 2 2 2 5 5 5
        6, 1, 0, 0,           // next row up: 1 x 6
        2, 4, 0, 0,           // 4 4 . . . .
        0, 0,                 // an empty row
        0, 1},
       {_, _, _, _, _, _, p(4), p(4), _, _, _, _, p(1), p(1), p(1), p(1), p(1), p(1), p(2), p(2), p(2), p(5), p(5), p(5)}},
      {"RLE8 literal runs of odd and even length", false,
       {0, 3, 7, 8, 9, 0,     // three literals, padded to four bytes
        0, 0,
        0, 4, 1, 2, 3, 4,     // four literals, no pad
        2, 15, 0, 1},
       {_, _, _, _, _, _, _, _, _, _, _, _, p(1), p(2), p(3), p(4), p(15), p(15), p(7), p(8), p(9), _, _, _}},
      {"RLE8 delta moves right and up", false,
       {1, 9,                 // (0, row 0)
        0, 2, 3, 2,           // right 3, up 2: (4, row 2)
        2, 10,                // (4..5, row 2)
        0, 1},
       {_, _, _, _, _, _, _, _, _, _, p(10), p(10), _, _, _, _, _, _, p(9), _, _, _, _, _}},
      {"RLE8 end of image without row end", false,
       {6, 3, 0, 1},
       {_, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _, p(3), p(3), p(3), p(3), p(3), p(3)}},
      {"RLE4 runs alternate the two nibbles", true,
       {5, 0x12, 0, 0,        // 1 2 1 2 1 .
        6, 0xF0, 0, 1},       // 15 0 15 0 15 0
       {_, _, _, _, _, _, _, _, _, _, _, _, p(15), p(0), p(15), p(0), p(15), p(0), p(1), p(2), p(1), p(2), p(1), _}},
      {"RLE4 literal runs, odd nibble counts and padding", true,
       {0, 3, 0x34, 0x50,     // 3 4 5: two bytes, already even
        0, 0,
        0, 5, 0x67, 0x89, 0xA0, 0,  // 6 7 8 9 10: three bytes padded to four
        1, 0xB0, 0, 1},
       {_, _, _, _, _, _, _, _, _, _, _, _, p(6), p(7), p(8), p(9), p(10), p(11), p(3), p(4), p(5), _, _, _}},
      {"RLE4 delta", true,
       {0, 2, 5, 3, 1, 0xC0, 0, 1},
       {_, _, _, _, _, p(12), _, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _, _}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Bmp bmp;
    bmp.width = 6, bmp.height = 4;
    bmp.bits = row.rle4 ? 4 : 8;
    bmp.compression = row.rle4 ? 2 : 1;
    bmp.palette = palette;
    bmp.pixels = row.stream;
    const Bytes file = Encode(bmp);
    Surface surface(&screen.context);
    ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kOk);
    EXPECT_EQ(Logical(surface), row.expected);
  }
}

// ---- refused files -------------------------------------------------------------------

TEST(ImageBmp, MalformedFilesAreRefused) {
  Screen screen;
  Bmp good;
  good.width = 4, good.height = 2, good.bits = 8, good.colours = 4;
  good.palette = {0x000000, 0xFFFFFF, 0xFF0000, 0x0000FF};
  good.pixels = IndexRows({{0, 1, 2, 3}, {3, 2, 1, 0}}, 8);
  const Bytes good_file = Encode(good);
  auto cut = [&](size_t from, size_t to) {
    return Bytes(good_file.begin() + static_cast<std::ptrdiff_t>(from), good_file.begin() + static_cast<std::ptrdiff_t>(to));
  };
  struct Row {
    const char* what;
    Bytes file;
    bool created;  // the surface was made before the damage showed
  };
  auto with = [&](auto change) {
    Bmp b = good;
    change(b);
    return Encode(b);
  };
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    Bytes f = good_file;
    std::copy(bytes.begin(), bytes.end(), f.begin() + static_cast<std::ptrdiff_t>(at));
    return f;
  };
  auto rle = [&](bool rle4, Bytes stream) {
    return with([&](Bmp& b) {
      b.width = 6, b.height = 4, b.bits = rle4 ? 4 : 8, b.compression = rle4 ? 2 : 1;
      b.colours = 4;
      b.pixels = stream;
    });
  };
  const Row rows[] = {
      {"14 bytes: file header only", cut(0, 14), false},
      {"cut inside the information header", cut(0, 53), false},
      {"data offset 0", patched(10, {0, 0, 0, 0}), false},
      {"12-byte core header", patched(14, {12, 0, 0, 0}), false},
      {"width 0", with([](Bmp& b) { b.width = 0; }), false},
      {"height 0", with([](Bmp& b) { b.height = 0; }), false},
      {"negative width", with([](Bmp& b) { b.width = -4; }), false},
      {"width 8193", with([](Bmp& b) { b.width = 8193; }), false},
      {"height 8193", with([](Bmp& b) { b.height = 8193; }), false},
      {"height -8193", with([](Bmp& b) { b.height = -8193; }), false},
      {"height of the most negative value", with([](Bmp& b) { b.height = INT32_MIN; }), false},
      {"width 2^31 - 1", with([](Bmp& b) { b.width = INT32_MAX; }), false},
      {"top-down run-length image", with([](Bmp& b) {
         b.height = -2, b.compression = 1, b.pixels = {4, 1, 0, 1};
       }), false},
      {"16 bits", with([](Bmp& b) { b.bits = 16, b.palette.clear(), b.pixels = Bytes(16, 0); }), true},
      {"32 bits", with([](Bmp& b) { b.bits = 32, b.palette.clear(), b.pixels = Bytes(32, 0); }), true},
      {"2 bits", with([](Bmp& b) { b.bits = 2; }), true},
      {"bit-field compression", with([](Bmp& b) { b.compression = 3; }), true},
      {"embedded PNG", with([](Bmp& b) { b.compression = 5; }), true},
      {"RLE8 with 4 bits", with([](Bmp& b) { b.compression = 1, b.bits = 4; }), true},
      {"RLE4 with 8 bits", with([](Bmp& b) { b.compression = 2; }), true},
      {"pixel rows cut", cut(0, good_file.size() - 5), true},
      {"data offset past the end", patched(10, {0xFF, 0xFF, 0, 0}), true},
      {"index at the colour count", with([](Bmp& b) { b.pixels[0] = 4; }), true},
      {"index 255 with four colours", with([](Bmp& b) { b.pixels[7] = 255; }), true},
      {"RLE8 without an end", rle(false, {2, 1, 0, 0, 3, 2}), true},
      {"RLE8 odd byte at the end", rle(false, {2, 1, 0}), true},
      {"RLE8 run past the row", rle(false, {7, 1, 0, 1}), true},
      {"RLE8 run after a delta past the row", rle(false, {0, 2, 5, 0, 2, 1, 0, 1}), true},
      {"RLE8 draws above the top row", rle(false, {0, 2, 0, 4, 1, 1, 0, 1}), true},
      {"RLE8 draws after four row ends", rle(false, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1}), true},
      {"RLE8 literal run cut", rle(false, {0, 5, 1, 2}), true},
      {"RLE8 delta cut", rle(false, {0, 2, 1}), true},
      {"RLE8 index outside the palette", rle(false, {2, 4, 0, 1}), true},
      {"RLE8 literal outside the palette", rle(false, {0, 3, 1, 2, 9, 0, 0, 1}), true},
      {"RLE4 nibble outside the palette", rle(true, {2, 0x15, 0, 1}), true},
      {"RLE4 literal nibbles past the row", rle(true, {0, 7, 0x11, 0x11, 0x11, 0x10, 0, 1}), true},
      {"RLE4 literal run cut", rle(true, {0, 5, 0x12}), true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Surface surface(&screen.context);
    EXPECT_EQ(LoadFromMemory(&surface, 0, row.file.data(), static_cast<uint32_t>(row.file.size())),
              kErrBadImageData);
    EXPECT_EQ(surface.Pixels() != nullptr, row.created);
    EXPECT_EQ(surface.Flags() & kSurfaceLocked, 0u);
  }
}

// The palette's bytes lie in the file or the index is refused, even when the
// header promises more colours: here the pixels overlap the only palette
// entry that exists.
TEST(ImageBmp, PaletteEntriesBeyondTheFileAreRefused) {
  Screen screen;
  Bmp bmp;
  bmp.width = 4, bmp.height = 1, bmp.bits = 8, bmp.colours = 1000;
  bmp.data_offset = 54;  // pixel bytes are palette entry 0
  for (const uint8_t index : {uint8_t{0}, uint8_t{1}}) {
    SCOPED_TRACE(index);
    bmp.pixels = {index, index, index, 0};  // entry 0 reads as blue, green, red = index
    const Bytes file = Encode(bmp);
    Surface surface(&screen.context);
    EXPECT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())),
              index == 0 ? kOk : kErrBadImageData);
  }
}

TEST(ImageBmp, DecodedPixelsBeforeTheDamageStay) {
  // A failed decode leaves what was already drawn; the rest stays cleared.
  Screen screen;
  Bmp bmp;
  bmp.width = 6, bmp.height = 4, bmp.bits = 8, bmp.compression = 1;
  bmp.palette = {0x000000, 0xFFFFFF};
  bmp.pixels = {6, 1, 0, 0, 2, 1};  // no end of image
  const Bytes file = Encode(bmp);
  Surface surface(&screen.context);
  ASSERT_EQ(LoadFromMemory(&surface, 0, file.data(), static_cast<uint32_t>(file.size())), kErrBadImageData);
  const std::vector<uint16_t> got = Logical(surface);
  EXPECT_EQ(std::vector<uint16_t>(got.begin() + 18, got.end()), std::vector<uint16_t>(6, 0xFFFF));
  EXPECT_EQ(std::vector<uint16_t>(got.begin() + 12, got.begin() + 14), std::vector<uint16_t>(2, 0xFFFF));
  EXPECT_EQ(std::vector<uint16_t>(got.begin(), got.begin() + 12), std::vector<uint16_t>(12, 0));
}

}  // namespace
}  // namespace abacine
